// The firmware page on its own, over a wizard host of the test's (nothing reaches a
// network): accessible names, the checks before anything is queued and the messages they
// leave, what Apply queues, what the answers do, the upload's progress bar, Browse and
// dropped files. Writes screenshots of the page.

#include <sys/stat.h>

#include <QAccessible>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "controls/markup_label.h"
#include "controls/picture_button.h"
#include "controls/transparent_label.h"
#include "page_test_support.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/fakes/fake_wizard_host.h"
#include "support/message_answerer.h"
#include "wizard/ui/firmware_page.h"

using page_test::Expected;
using page_test::Msg;
using page_test::Sent;

using page_test::DropUriList;

namespace {

std::string WriteFile(const page_test::TempFolder& dir, const std::string& name,
                      const std::string& data) {
    return page_test::WriteFile(dir.PathOf(name), data);
}

QString Decoded(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

class FirmwarePageTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        DialogWindow::ClearQuitting();
        time_scale::SetFactor(1);
    }

    void firmwarePageVersionAndNames() {
        // A device's value is shown as itself, never read as markup.
        ShownPage<FirmwarePage> on(
            [](FakeWizardHost& host) { host.status.firmwareVersion = L"1.3.07 <b>&beta;</b>"; });
        FirmwarePage& page = on.page;
        QCOMPARE(page.BrowseButton()->text(), QStringLiteral("Browse"));
        QCOMPARE(page.ApplyButton()->text(), QStringLiteral("Apply"));
        QCOMPARE(page.VersionLabel()->WindowText(),
                 std::wstring(L"1.3.07 &lt;b&gt;&amp;beta;&lt;/b&gt;"));
        QVERIFY(page.ApplyButton()->isEnabled());
        QVERIFY(!page.ProgressBar()->isVisible());
        page_test::ExpectAccessibleNames(
            page, {page.VersionLabel(), page.FileField(), page.BrowseButton(), page.ApplyButton(),
                   page.ProgressBar()});

        // Every show reads the version again, an empty one included.
        on.host.status.firmwareVersion.clear();
        page.ShowWindow(false);
        page.ShowWindow(true);
        QCOMPARE(page.VersionLabel()->WindowText(), std::wstring());
        on.host.status.firmwareVersion = L"1.3.07 (Jun 14 2011)";
        page.ShowWindow(false);
        page.ShowWindow(true);
        page.SetFilePath("/home/user/firmware/kv-q3150tx-1.4.02.bin");
        QVERIFY(SaveScreenshot(page, QStringLiteral("wizard-firmware")));
    }

    void firmwareApplyRefusesWhatIsNoReadableFile() {
        page_test::TempFolder dir;
        ShownPage<FirmwarePage> on;
        FirmwarePage& page = on.page;
        MessageAnswerer answerer(&on.host.messages);

        Click(page.ApplyButton());
        page.FileField()->setText(Decoded(dir.PathOf("missing.bin")));
        Click(page.ApplyButton());
        page.FileField()->setText(Decoded(dir.Path()));
        Click(page.ApplyButton());
        const std::vector<std::wstring> expected = {Msg(kMsgEnterFile), Msg(kMsgInvalidFile),
                                                    Msg(kMsgInvalidFile)};
        QCOMPARE(answerer.texts, expected);
        QVERIFY(on.host.sink.queued.empty());
        QCOMPARE(page.FileField()->text(), QString());
        QCOMPARE(page.FilePath(), std::string());
        QVERIFY(page.ApplyButton()->isEnabled());
        QVERIFY(!page.ProgressBar()->isVisible());
    }

    void firmwareUploadShowsItsProgressUntilTheAnswer() {
        page_test::TempFolder dir;
        const std::string image = WriteFile(dir, "image 1.bin", std::string(3000, 'x'));
        ShownPage<FirmwarePage> on;
        FirmwarePage& page = on.page;
        page.FileField()->setText(Decoded(image));
        Click(page.ApplyButton());

        const RecordingSink& sink = on.host.sink;
        QCOMPARE(sink.queued, std::vector<std::wstring>{L"UPLOAD"});
        QCOMPARE(sink.filePaths.at(0), image);
        QCOMPARE(sink.requests.at(0).ToText(), BuildUploadRequest(on.host.target, image).ToText());
        QCOMPARE(sink.requests.at(0).placeholderLength, uint64_t(3000));
        QVERIFY(!page.ApplyButton()->isEnabled());
        QVERIFY(page.IsUploadRunning());

        // Before the first byte the bar stands at the start; then it follows the meter.
        QVERIFY(page.ProgressBar()->isVisible());
        QCOMPARE(page.ProgressBar()->value(), 0);
        on.host.upload = {1500, 6000};
        QTRY_COMPARE(page.ProgressBar()->value(), 250);
        QVERIFY(SaveScreenshot(page, QStringLiteral("wizard-firmware-upload")));
        on.host.upload = {6000, 6000};
        QTRY_COMPARE(page.ProgressBar()->value(), FirmwarePage::kProgressRange);

        // Away from the page nobody polls; back on it the bar goes on.
        page.ShowWindow(false);
        QVERIFY(!page.HasTimer(FirmwarePage::kUploadProgressTimerId));
        page.ShowWindow(true);
        QVERIFY(page.HasTimer(FirmwarePage::kUploadProgressTimerId));
        QVERIFY(page.ProgressBar()->isVisible());

        // The device refuses the image: Apply comes back and the bar goes before the
        // message says why; the field empties after it.
        bool answeredBeforeMessage = false;
        std::wstring said;
        WhenModal([&] { return &on.host.messages; },
                  [&] {
                      answeredBeforeMessage = page.ApplyButton()->isEnabled() &&
                                              !page.ProgressBar()->isVisible() &&
                                              !page.IsUploadRunning();
                      said = on.host.messages.Message();
                      Click(on.host.messages.OkButton());
                  });
        on.host.Answer(L"UPLOAD", 4, "HTTP/1.1 200 OK\r\n\r\n<p>Invalid file format!</p>");
        QVERIFY(answeredBeforeMessage);
        QCOMPARE(said, Msg(kMsgInvalidFile));
        QVERIFY(!page.HasTimer(FirmwarePage::kUploadProgressTimerId));
        QCOMPARE(page.FileField()->text(), QString());
        QCOMPARE(on.host.sink.queued, std::vector<std::wstring>{L"UPLOAD"});
    }

    void firmwareFileNamesKeepTheirBytes() {
        page_test::TempFolder dir;
        // Bytes that are no UTF-8: they cannot be typed, but a dropped file keeps them.
        const std::string raw = WriteFile(dir, "fw \xe9\xff\x01.bin", "TMSLFW01");
        ShownPage<FirmwarePage> on;
        FirmwarePage& page = on.page;
        const QByteArray uri = "file://" + QByteArray::fromStdString(raw).toPercentEncoding("/");
        QVERIFY(DropUriList(&page, "# a comment line\r\n" + uri + "\r\n"));
        QCOMPARE(page.FilePath(), raw);
        QVERIFY(!page.FileField()->text().isEmpty());
        Click(page.ApplyButton());
        QCOMPARE(on.host.sink.filePaths, std::vector<std::string>{raw});

        // A file dropped over the field is the page's too; another machine's file is not
        // taken, nor is anything but a file.
        QVERIFY(DropUriList(page.FileField(), "file://localhost" + uri.mid(7)));
        QCOMPARE(page.FilePath(), raw);
        QVERIFY(!DropUriList(&page, "file://elsewhere.example" + uri.mid(7)));
        QVERIFY(!DropUriList(&page, "https://example.com/fw.bin"));
        QCOMPARE(page.FilePath(), raw);

        // A name typed (or pasted) is encoded as the file system expects.
        const std::string utf8 = WriteFile(dir,
                                           "Pr\xc3\xbc"
                                           "fung \xd0\x9e.bin",
                                           "x");
        page.FileField()->setText(Decoded(utf8));
        QCOMPARE(page.FilePath(), utf8);
    }

    void firmwareBrowsePutsTheChoiceInTheField() {
        page_test::TempFolder dir;
        const std::string image = WriteFile(dir, "chosen.bin", "x");
        ShownPage<FirmwarePage> on;
        FirmwarePage& page = on.page;
        page.SetFilePath("/earlier.bin");

        QString filters;
        auto answer = [&](bool accept) {
            QTimer::singleShot(0, [&, accept] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                QCOMPARE(dialog->parentWidget(), &page);
                filters = dialog->nameFilters().join(QLatin1Char(';'));
                if (accept) {
                    dialog->selectFile(Decoded(image));
                    static_cast<QDialog*>(dialog)->accept();  // the file dialog's own checks
                } else {
                    dialog->reject();
                }
            });
        };
        answer(false);
        Click(page.BrowseButton());
        QCOMPARE(page.FilePath(), std::string("/earlier.bin"));
        QCOMPARE(filters, QStringLiteral("All File (*)"));
        answer(true);
        Click(page.BrowseButton());
        QCOMPARE(page.FilePath(), image);
    }

    // An accepted image: REBOOT, the upgrade's wait with its text, the search page.
    void firmwareUpgradeWaitQueuesRebootAndEnds() {
        page_test::TempFolder dir;
        ShownPage<FirmwarePage> on;
        FirmwarePage& page = on.page;
        page.SetFilePath(WriteFile(dir, "image.bin", "TMSLFW01"));
        Click(page.ApplyButton());
        time_scale::SetFactor(1000);
        std::optional<RestartCause> during;
        QTimer::singleShot(0, [&] { during = page.RunningRestartWait(); });
        on.host.Answer(L"UPLOAD", 4, "HTTP/1.1 200 OK\r\n\r\n");  // returns after the wait
        time_scale::SetFactor(1);
        QVERIFY(during == RestartCause::kFirmwareUpgrade);
        QVERIFY(!page.IsRestartWaitRunning());
        QVERIFY(page.ApplyButton()->isEnabled());
        QCOMPARE(on.host.progress.ProgressText(), std::wstring(L"Upgrading...."));
        QCOMPARE(on.host.progress.StepsShown(), kRestartWaitSteps);
        QCOMPARE(on.host.sink.queued, (std::vector<std::wstring>{L"UPLOAD", L"REBOOT"}));
        QVERIFY(on.navigation.returns >= 1);
    }
};

QTEST_MAIN(FirmwarePageTest)
#include "firmware_page_test.moc"
