// The device wizard over fake sockets (nothing reaches a network): the frame and its six
// pages, the menu on every page, Close and Minimize, the progress dialog and the message
// box, the status summary and the restart wait on the program's time. Writes screenshots
// to the artefacts folder.

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/ipv4_field.h"
#include "controls/markup_label.h"
#include "controls/picture_button.h"
#include "controls/skin_images.h"
#include "controls/transparent_label.h"
#include "page_test_support.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "support/fakes/fake_repeater.h"
#include "support/fakes/fake_shell.h"
#include "support/fakes/fake_wizard_host.h"
#include "support/gui_test_support.h"
#include "web/device_commands.h"
#include "web/encoders.h"
#include "web/response_parsers.h"
#include "web/selected_device.h"
#include "web/web_command_queue.h"
#include "window/control_layout.h"
#include "window/skin_layout.h"
#include "window/window_drag.h"
#include "wizard/ui/firmware_page.h"
#include "wizard/ui/ip_address_page.h"
#include "wizard/ui/message_box.h"
#include "wizard/ui/password_page.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/reset_page.h"
#include "wizard/ui/summary_page.h"
#include "wizard/ui/wireless_page.h"
#include "wizard/ui/wizard_frame.h"

namespace {

constexpr WizardPageId kPages[] = {WizardPageId::kIpAddress, WizardPageId::kFirmware,
                                   WizardPageId::kSummary,   WizardPageId::kWireless,
                                   WizardPageId::kPassword,  WizardPageId::kReset};

using WizardShell = FakeWizardShell;

// The pages that are visible, in WizardPageId order.
std::vector<WizardPageId> VisiblePages(WizardFrame& frame) {
    std::vector<WizardPageId> visible;
    for (const WizardPageId page : kPages) {
        if (!frame.Page(page)->isHidden()) {
            visible.push_back(page);
        }
    }
    return visible;
}

std::wstring DrawnText(MarkupLabel& label) {
    std::wstring text;
    for (const MarkupLayout::Text& piece : label.Layout().texts) {
        text += piece.text.toStdWString();
    }
    return text;
}

}  // namespace

class WizardTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        DialogWindow::ClearQuitting();
        time_scale::SetFactor(1);
    }
    void cleanup() { SetWindowMoveStarter({}); }

    void theFrameHoldsSixHiddenPagesAndShowsTheSummaryFirst() {
        WizardShell wizard;
        WizardFrame& frame = wizard.Frame();
        QVERIFY(frame.isVisible());
        QVERIFY(wizard.shell.Page().isHidden());
        QCOMPARE(frame.geometry(), QRect(0, 0, 700, 500));
        for (const WizardPageId page : kPages) {
            QVERIFY(wizard.Page(page).IsCreated());
            QCOMPARE(wizard.Page(page).geometry(), QRect(0, 0, 700, 500));
        }
        QCOMPARE(VisiblePages(frame), std::vector<WizardPageId>{WizardPageId::kSummary});
        // The dialogs get a window only while they run.
        QVERIFY(!frame.Progress().IsCreated() && !frame.Messages().IsCreated());
        QCOMPARE(frame.DeviceIP(), std::wstring(L"192.168.1.1"));
        QCOMPARE(frame.Target().authBase64, EncodeBase64(L"admin:admin"));
        QCOMPARE(frame.Login().macAddress, std::wstring(L"00:1A:2B:3C:4D:5E"));
    }

    // Every page carries the same skin at the same places, its own menu entry marked, and
    // every menu entry of every page shows its page alone.
    void everyMenuEntryShowsItsPageAndHidesTheOthers() {
        WizardShell wizard;
        WizardFrame& frame = wizard.Frame();
        const int normal[] = {214, 223, 218, 227, 216, 221, 225};
        const int current[] = {220, 224, 219, 215, 217, 222, 226};
        for (const WizardPageId page : kPages) {
            WizardPage& shown = wizard.Page(page);
            frame.ShowWizardPage(page);
            QCOMPARE(VisiblePages(frame), std::vector<WizardPageId>{page});
            QCOMPARE(shown.CloseControl()->geometry(), ToQRect(kCloseRect));
            QCOMPARE(shown.MinimizeControl()->geometry(), ToQRect(kMinimizeRect));
            QCOMPARE(shown.MacLabel()->geometry(), ToQRect(kDeviceMacRect));
            QCOMPARE(shown.IpLabel()->Caption(), std::wstring(L"192.168.1.1"));
            QCOMPARE(shown.MacLabel()->Caption(), std::wstring(L"00:1A:2B:3C:4D:5E"));
            for (int i = 1; i < kMenuEntryCount; ++i) {
                const auto entry = static_cast<MenuEntry>(i);
                PictureButton* item = shown.MenuItem(entry);
                QCOMPARE(item->geometry(), ToQRect(kMenuEntryRects[i]));
                const bool own = entry == shown.Skin().ownEntry;
                QVERIFY(item->PictureFor(PictureButton::Look::kNormal).Image() ==
                        LoadSkinImage(own ? current[i] : normal[i]));
                frame.ShowWizardPage(page);
                Click(item);
                QCOMPARE(VisiblePages(frame),
                         std::vector<WizardPageId>{*WizardPageOfMenuEntry(entry)});
            }
            QVERIFY(shown.MenuItem(MenuEntry::kLocate)
                        ->PictureFor(PictureButton::Look::kNormal)
                        .Image() == LoadSkinImage(normal[0]));
        }
        // Locate: the search page, searching again; the wizard is only hidden.
        Click(wizard.Page(WizardPageId::kReset).MenuItem(MenuEntry::kLocate));
        QVERIFY(wizard.shell.Page().isVisible() && frame.isHidden());
        QCOMPARE(wizard.shell.Page().StatusText(), std::wstring(L"Searching."));
        QVERIFY(wizard.shell.dialog.Wizard() == &frame);
    }

    void closeOnAWizardPageEndsTheProgramAndTearsTheWizardDown() {
        WizardShell wizard;
        Click(wizard.Page(WizardPageId::kPassword).MinimizeControl());
        QTRY_VERIFY(wizard.shell.dialog.isMinimized());
        wizard.shell.dialog.showNormal();

        std::vector<QPointer<QObject>> parts = {&wizard.Frame(), &wizard.Frame().Progress(),
                                                &wizard.Frame().Messages()};
        for (const WizardPageId page : kPages) {
            parts.emplace_back(&wizard.Page(page));
        }
        Click(wizard.Page(WizardPageId::kReset).CloseControl());
        QVERIFY(wizard.shell.dialog.HasEnded());
        QCOMPARE(wizard.shell.dialog.Result(), 0);
        wizard.shell.dialog.DestroyWindow();
        QVERIFY(wizard.shell.dialog.Wizard() == nullptr);
        for (const QPointer<QObject>& part : parts) {
            QVERIFY(part == nullptr);
        }
    }

    // The progress dialog sits over the frame, starts at step 0 every time it appears,
    // shows a step's picture at once and ends only when told to; it has no drag band.
    void theProgressDialogShowsStepsUntilItIsEnded() {
        WizardShell wizard;
        ProgressDialog& progress = wizard.Frame().Progress();
        bool dragged = false;
        SetWindowMoveStarter([&](QWindow*) { return dragged = true; });
        WhenModal([&] { return &progress; },
                  [&] {
                      Finally end([&] { progress.EndDialog(0); });
                      QCOMPARE(progress.pos(), wizard.Frame().mapToGlobal(QPoint(220, 178)));
                      QCOMPARE(progress.size(), QSize(260, 144));
                      QCOMPARE(progress.TextControl()->WindowText(),
                               std::wstring(L"<CENTER>Loading....</CENTER>"));
                      QCOMPARE(progress.ImageRect(), QRect(70, 50, 128, 49));
                      QVERIFY(progress.StepImage() == LoadSkinImage(172));
                      progress.ShowProgressStep(3);
                      QVERIFY(progress.StepImage() == LoadSkinImage(175));
                      QTest::mousePress(&progress, Qt::LeftButton, {}, QPoint(130, 10));
                      QTest::keyClick(&progress, Qt::Key_Escape);
                      QVERIFY(progress.IsModalRunning());
                      QVERIFY(SaveScreenshot(progress, QStringLiteral("wizard_progress")));
                      for (const int finished : {10, 11, -1}) {
                          progress.ShowProgressStep(finished);
                          QVERIFY(progress.StepImage() == LoadSkinImage(171));
                      }
                  });
        QCOMPARE(progress.Run(L"Loading...."), 0);
        QVERIFY(!dragged);
        QCOMPARE(progress.StepsShown(), (std::vector<int>{0, 3, 10, 11, -1}));

        WhenModal([&] { return &progress; }, [&] { progress.EndDialog(0); });
        QCOMPARE(progress.Run(L"Rebooting...."), 0);
        QCOMPARE(progress.StepsShown(), std::vector<int>{0});
        QVERIFY(!progress.IsCreated());
    }

    // The message box: centred over the main window, its top band drags the main window,
    // Enter and Escape do nothing, OK ends it with 1.
    void theMessageBoxEndsOnlyWithOk() {
        WizardShell wizard;
        MessageBox& box = wizard.Frame().Messages();
        QWindow* moved = nullptr;
        SetWindowMoveStarter([&](QWindow* window) {
            moved = window;
            return true;
        });
        WhenModal([&] { return &box; },
                  [&] {
                      Finally end([&] { Click(box.OkButton()); });
                      const QRect main = wizard.shell.dialog.geometry();
                      QCOMPARE(box.geometry().center(), main.center());
                      QCOMPARE(box.TextControl()->WindowText(),
                               std::wstring(L"Repeater respon timeout !!"));
                      QCOMPARE(box.OkButton()->geometry(), QRect(86, 96, 88, 34));
                      for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
                          QTest::keyClick(&box, key);
                      }
                      QVERIFY(box.IsModalRunning());
                      QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(5, 10));
                      QCOMPARE(moved, wizard.shell.dialog.windowHandle());
                      QVERIFY(SaveScreenshot(box, QStringLiteral("wizard_message")));
                  });
        QCOMPARE(box.ShowMessage(kMsgRepeaterTimeout), MessageBox::kOk);
    }

    // The thirteen values at every show, as literal text whatever the device sent.
    void theSummaryShowsTheStatusRecordAsLiteralText() {
        WizardShell wizard;
        SummaryPage& summary = *wizard.Frame().Summary();
        for (int i = 0; i < SummaryPage::kValueCount; ++i) {
            QCOMPARE(summary.ValueLabel(i)->WindowText(), std::wstring());
            QCOMPARE(summary.ValueLabel(i)->width(), i == 8 ? 280 : 200);  // the SSID
        }
        QCOMPARE(summary.MacLabel()->Caption(), std::wstring(L"00:1A:2B:3C:4D:5E"));

        DeviceStatus& status = wizard.Status();
        status.macAddress = L"00:1A:2B:3C:4D:5E";
        status.firmwareVersion = L"1.0.7";
        status.dhcpServer = L"Enabled";
        status.ssid = L"<B>Caf&eacute;</B> & Bar";
        status.dns2 = L"10.0.0.2";
        // Shown again: the values are read again.
        wizard.Frame().ShowWizardPage(WizardPageId::kReset);
        wizard.Frame().ShowWizardPage(WizardPageId::kSummary);
        QCOMPARE(summary.ValueLabel(1)->WindowText(), std::wstring(L"1.0.7"));
        QCOMPARE(summary.ValueLabel(4)->WindowText(), std::wstring(L"Enabled"));
        QCOMPARE(summary.ValueLabel(12)->WindowText(), std::wstring(L"10.0.0.2"));
        MarkupLabel& ssid = *summary.ValueLabel(8);
        QCOMPARE(DrawnText(ssid), std::wstring(L"<B>Caf&eacute;</B> & Bar"));
        for (const MarkupLayout::Text& piece : ssid.Layout().texts) {
            QVERIFY(!piece.font.bold());
        }
        QVERIFY(SaveScreenshot(wizard.shell.dialog, QStringLiteral("wizard_summary")));
    }

    // A message that comes while another one is up waits for it: the repeater refuses an
    // upload while the password page's own message is up; the refusal shows once that
    // one is answered, and only then does the file name go.
    void aMessageThatComesWhileAnotherIsUpFollowsIt() {
        time_scale::SetFactor(20);
        WizardShell wizard;
        FakeRepeater repeater(wizard.shell.Web(), [](const std::string&) {
            return std::string("HTTP/1.1 500 Internal Server Error\r\n\r\n");
        });
        page_test::TempFolder folder;
        auto& firmware = static_cast<FirmwarePage&>(wizard.Page(WizardPageId::kFirmware));
        auto& password = static_cast<PasswordPage&>(wizard.Page(WizardPageId::kPassword));
        MessageBox& box = wizard.Frame().Messages();
        wizard.Frame().ShowWizardPage(WizardPageId::kFirmware);
        firmware.SetFilePath(page_test::WriteFile(folder.PathOf("image.bin"), "firmware"));
        Click(firmware.ApplyButton());  // the upload is on its way

        wizard.Frame().ShowWizardPage(WizardPageId::kPassword);
        password.CurrentField()->setText(QStringLiteral("not the password"));
        std::vector<std::wstring> shown;
        QString fileWhileRefused;
        // The driver has the refusal (it enables Apply first) while the first box is up.
        When([&] { return box.IsModalRunning() && firmware.ApplyButton()->isEnabled(); },
             [&] {
                 shown.push_back(box.Message());
                 When([&] { return box.IsModalRunning() && box.Message() != shown.front(); },
                      [&] {
                          shown.push_back(box.Message());
                          fileWhileRefused = firmware.FileField()->text();
                          Click(box.OkButton());
                      });
                 Click(box.OkButton());
             });
        Click(password.ApplyButton());
        QCOMPARE(shown, (std::vector<std::wstring>{LoadString(kMsgLoginIncorrect),
                                                   LoadString(kMsgFirewall)}));
        QVERIFY(!fileWhileRefused.isEmpty());
        QVERIFY(firmware.FileField()->text().isEmpty());
    }

    // A wait that comes while another one runs starts when that one has ended, and each
    // shows all its steps: the reset page's wait is up when the answer to an address
    // change comes in, whose wait follows.
    void aWaitThatComesWhileAnotherRunsFollowsIt() {
        time_scale::SetFactor(20);
        WizardShell wizard;
        FakeRepeater repeater(wizard.shell.Web(), [](const std::string&) {
            return std::string("HTTP/1.1 200 OK\r\n\r\n");
        });
        auto& ip = static_cast<IpAddressPage&>(wizard.Page(WizardPageId::kIpAddress));
        auto& reset = static_cast<ResetPage&>(wizard.Page(WizardPageId::kReset));
        ProgressDialog& progress = wizard.Frame().Progress();
        std::vector<std::vector<int>> runs;
        std::vector<QString> pagesTicking;
        QObject::connect(&progress, &DialogWindow::modalEnded, &progress, [&] {
            runs.push_back(progress.StepsShown());
            pagesTicking.push_back(
                QString::fromLatin1(reset.IsRestartWaitRunning() ? "reset" : "") +
                QString::fromLatin1(ip.IsRestartWaitRunning() ? "ip" : ""));
        });
        wizard.Frame().ShowWizardPage(WizardPageId::kIpAddress);
        ip.AddressField()->SetAddress(L"192.168.1.50");
        Click(ip.ApplyButton());  // SETUPIPADDRESS is on its way
        wizard.Frame().ShowWizardPage(WizardPageId::kReset);
        Click(reset.ApplyButton());  // returns once its wait has ended
        QTRY_COMPARE_WITH_TIMEOUT(runs.size(), size_t{2}, 20000);
        QCOMPARE(runs[0], kRestartWaitSteps);
        QCOMPARE(runs[1], kRestartWaitSteps);
        // Each run ended with its own page's timer alone.
        QCOMPARE(pagesTicking, (std::vector<QString>{QString(), QString()}));
        QVERIFY(wizard.shell.Page().isVisible());
    }

    // The loading's last read ends the "Loading...." dialog only when nothing else is
    // queued: with a command still pending, the dialog stays up at its last step.
    void theLoadingStaysUpWhileCommandsArePendingAfterGetStatus() {
        time_scale::SetFactor(10);
        WizardShell wizard;
        WebCommandQueue& queue = *wizard.shell.state.WebQueue();
        int answered = 0;
        FakeRepeater repeater(wizard.shell.Web(), [&](const std::string&) {
            // Behind GETSTATUS (the third read), a request the repeater never sees in
            // full: it is still pending when GETSTATUS's answer arrives.
            if (++answered == 3) {
                queue.QueueCommand(L"SITESURVEY", L"GET /survey HTTP/1.1\r\n", L"192.168.1.1",
                                   L"255.255.255.0");
            }
            return std::string("HTTP/1.1 200 OK\r\n\r\n");
        });
        ProgressDialog& progress = wizard.Frame().Progress();
        bool lastStepShown = false;
        bool stayedUp = false;
        WhenModal([&] { return &progress; },
                  [&] {
                      Finally end([&] { progress.EndDialog(0); });
                      const std::vector<int> loaded = {0, WizardFrame::kStepAfterLanInfo,
                                                       WizardFrame::kStepAfterWanInfo,
                                                       WizardFrame::kStepAfterGetStatus};
                      lastStepShown =
                          QTest::qWaitFor([&] { return progress.StepsShown() == loaded; }, 10000);
                      // The hold after GETSTATUS and a few result ticks later.
                      QTest::qWait(300);
                      stayedUp = progress.IsModalRunning() && progress.isVisible();
                  });
        wizard.Frame().LoadDeviceStatus();
        QVERIFY(lastStepShown);
        QVERIFY(stayedUp);
        QCOMPARE(repeater.requests.size(), size_t{3});  // LANINFO, WANINFO, GETSTATUS
    }

    // The wait while the device restarts: REBOOT, then steps 1 to 10 and 0, then the
    // search page; 44 s of the program's time after a reset. (Each page's own wait is
    // tried with its page; the table of waits with the core's restart wait.)
    void theRestartWaitRunsOnTheProgramsTime() {
        time_scale::SetFactor(1000);
        PageOnFakeHost<ResetPage> on;
        std::optional<RestartCause> cause;
        WhenModal([&] { return &on.host.progress; }, [&] { cause = on.page.RunningRestartWait(); });
        Click(on.page.ApplyButton());
        QVERIFY(cause == RestartCause::kReboot);
        QCOMPARE(on.host.sink.queued, std::vector<std::wstring>{L"REBOOT"});
        QCOMPARE(on.host.progress.StepsShown(), kRestartWaitSteps);
        QCOMPARE(on.host.progress.ProgressText(), std::wstring(L"Rebooting...."));
        QCOMPARE(on.navigation.returns, 1);
        QVERIFY(!on.page.IsRestartWaitRunning());
    }
};

QTEST_MAIN(WizardTest)
#include "frame_test.moc"
