// The firmware and password pages in the whole program against tamsel-sim, inside the PC
// namespace of a virtual LAN that scripts/vlan.sh builds (one repeater, 192.168.1.1).
// Each CTest case runs some of the functions below (Qt Test takes their names as
// arguments) against a repeater started with the options that case needs:
//   passwordChange    wrong current password (138), mismatch (141), a good change, after
//                     which tamselctl logs in with the new password only
//   passwordRefused   the repeater answers every request with status 500: message 207
//   firmwareRefusals  an unreadable file (254, nothing sent), an image the device refuses
//                     (254, no REBOOT)
//   firmwareUpgrade   a good image: UPLOAD with its bytes, REBOOT, the wait, the search
//                     page, and the new version in the next status read
//   firmwareProgress  a slow link: the progress bar shows during the send, then goes
//   firmwareUtf8Name, firmwareRawName
//                     images whose names are UTF-8 beyond ASCII, or no UTF-8 at all
// What the repeater received is compared byte for byte with the request catalogue.
// The device's time runs as TAMSEL_TIME_SCALE says. Outside a namespace of its own the
// test skips, so that it never broadcasts on a real network.

#include <sys/stat.h>

#include <QCryptographicHash>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <fstream>
#include <set>
#include <string>

#include "controls/markup_label.h"
#include "page_test_support.h"
#include "platform/time_scale.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "support/message_answerer.h"
#include "support/program_shell.h"
#include "support/request_bytes.h"
#include "support/sim_log_reader.h"
#include "support/virtual_lan.h"
#include "web/request_catalogue.h"
#include "web/response_parsers.h"
#include "web/selected_device.h"
#include "web/web_command_queue.h"
#include "wizard/ui/firmware_page.h"
#include "wizard/ui/password_page.h"
#include "wizard/ui/progress_dialog.h"
#include "wizard/ui/wizard_frame.h"

using page_test::WriteFile;

namespace {

constexpr int kLimitMs = 60000;  // a bound for a hung case, never a timing check
const std::string kNewVersion = "2.0.4 (page build)";

std::string Env(const char* name) {
    return qEnvironmentVariable(name).toStdString();
}

std::wstring Msg(int id) {
    return LoadString(id);
}

std::string Sha256(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

// An image in the simulated device's format (sim/firmware_image.h): magic, version
// padded to 32 bytes, payload.
std::string GoodImage(const std::string& version, size_t payloadBytes) {
    std::string image = "TMSLFW01" + version;
    image.resize(8 + 32, '\0');
    for (size_t i = 0; i < payloadBytes; ++i) {
        image.push_back(static_cast<char>((i * 7919) >> 3));
    }
    return image;
}

std::string BadImage(size_t bytes) {
    std::string image = "MZ";
    for (size_t i = 2; i < bytes; ++i) {
        image.push_back(static_cast<char>(i * 31));
    }
    return image;
}

// Keeps the names of the commands the web queue held, to see what was queued even when
// the device never received it.
class QueueWatcher {
public:
    explicit QueueWatcher(ProgramState& state) {
        QObject::connect(&m_timer, &QTimer::timeout, [this, &state] {
            if (const WebCommandQueue* web = state.WebQueue()) {
                for (const WebCommand& command : web->PendingSnapshot()) {
                    seen.insert(command.name);
                }
            }
        });
        m_timer.start(1);
    }
    std::set<std::wstring> seen;

private:
    QTimer m_timer;
};

// The program; a repeater that restarts may take a while to be listed again.
struct Program : ProgramShell {
    Program()
        : ProgramShell(HostSetup::kNone,
                       {.searchLimitMs = kLimitMs, .searches = 40, .pauseBeforeSearchMs = 250}) {
        Dialog().activateWindow();
    }

    template <typename T>
    T& Page(WizardPageId page) {
        return *static_cast<T*>(Wizard().Page(page));
    }
};

struct CtlRun {
    int exitCode = -1;
    QString out;
};

// tamselctl inside the same namespace.
CtlRun Tamselctl(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAMSEL_TIME_SCALE"), QStringLiteral("10"));
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("TAMSELCTL"), arguments);
    if (!process.waitForFinished(kLimitMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput())};
}

bool RunTc(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("tc"), arguments) == 0;
}

}  // namespace

class PagesNetTest : public QObject {
    Q_OBJECT

private:
    std::wstring m_ip;
    std::string m_log;
    page_test::TempFolder m_dir;

    std::string TempPath(const std::string& name) const { return m_dir.PathOf(name); }

    // Sends `path` from the firmware page; returns once the page has the answer (or the
    // page refused the file). Messages are answered by `answerer`.
    void ApplyFile(Program& program, const std::string& path) {
        auto& page = program.Page<FirmwarePage>(WizardPageId::kFirmware);
        page.SetFilePath(path);
        Click(page.ApplyButton());
    }

    // The upload the repeater logged after `seq`: request bytes against the catalogue,
    // size and hash against the image.
    void CheckUploadReceived(uint64_t seq, const std::string& path, const std::string& image,
                             const DeviceTarget& target, const char* accepted) {
        const std::vector<sim_log::Frame> uploads = sim_log::Events(m_log, seq, "upload");
        QCOMPARE(uploads.size(), size_t(1));
        QCOMPARE(uploads[0].Attr("accepted"), std::string(accepted));
        QCOMPARE(uploads[0].Attr("size"), std::to_string(image.size()));
        QCOMPARE(uploads[0].Attr("sha256"), Sha256(image));
        const std::vector<sim_log::Frame> requests = sim_log::Since(m_log, seq, "REQUEST");
        QVERIFY(!requests.empty());
        QCOMPARE(requests[0].RequestLine(), std::string("POST /goform/formUpload HTTP/1.1"));
        QVERIFY(requests[0].bytes == Wire(BuildUploadRequest(target, path), image));
    }

    // Applies the image the firmware page names (`path`, holding `image`), which the
    // device refuses: the device's own 254, nothing after the upload, a cleared field.
    void SendRefusedImage(Program& program, const std::string& path, const std::string& image) {
        MessageAnswerer answerer(&program.Wizard().Messages());
        const uint64_t seq = sim_log::LastSeq(m_log);
        auto& page = program.Page<FirmwarePage>(WizardPageId::kFirmware);
        QCOMPARE(page.FilePath(), path);
        Click(page.ApplyButton());
        QTRY_VERIFY_WITH_TIMEOUT(!answerer.texts.empty() && page.ApplyButton()->isEnabled(),
                                 kLimitMs);
        QCOMPARE(answerer.texts, std::vector<std::wstring>{Msg(kMsgInvalidFile)});
        QCOMPARE(page.FileField()->text(), QString());
        QCOMPARE(program.State().WebQueue()->PendingCount(), 0);
        CheckUploadReceived(seq, path, image, program.Wizard().Target(), "no");
        QCOMPARE(sim_log::Since(m_log, seq, "REQUEST").size(), size_t(1));
        QVERIFY(program.Wizard().isVisible());
    }

private slots:
    void initTestCase() {
        REQUIRE_VIRTUAL_LAN();
        QVERIFY(m_dir.IsValid());
        m_ip = QString::fromStdString(Env("VLAN_REPEATER_1_IP")).toStdWString();
        m_log = Env("VLAN_REPEATER_1_LOG");
        time_scale::SetFactorFromEnvironment();
    }

    void init() { DialogWindow::ClearQuitting(); }

    void passwordChange() {
        Program program;
        QVERIFY(program.ConnectTo(m_ip));
        QCOMPARE(program.State().Login().password, std::wstring(L"admin"));
        program.Choose(MenuEntry::kPassword);
        auto& page = program.Page<PasswordPage>(WizardPageId::kPassword);
        QVERIFY(page.isVisible());
        MessageAnswerer answerer(&program.Wizard().Messages());
        const uint64_t before = sim_log::LastSeq(m_log);

        auto fill = [&](const char* current, const char* fresh, const char* repeat) {
            page.CurrentField()->setText(QString::fromUtf8(current));
            page.NewField()->setText(QString::fromUtf8(fresh));
            page.RepeatField()->setText(QString::fromUtf8(repeat));
            Click(page.ApplyButton());
        };
        fill("Admin", "N3w pass", "N3w pass");
        QCOMPARE(page.window()->focusWidget(), page.CurrentField());
        fill("admin", "N3w pass", "N3w pasS");
        QCOMPARE(page.window()->focusWidget(), page.NewField());
        const std::vector<std::wstring> refusals = {Msg(kMsgLoginIncorrect),
                                                    Msg(kMsgReEnterPassword)};
        QCOMPARE(answerer.texts, refusals);
        QCOMPARE(program.State().WebQueue()->PendingCount(), 0);
        QVERIFY(sim_log::Since(m_log, before, "REQUEST").empty());

        const DeviceTarget target = program.Wizard().Target();
        fill("admin", "N3w pass", "N3w pass");
        QVERIFY(!page.ApplyButton()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(program.BackOnSearchPage(), kLimitMs);
        QCOMPARE(answerer.texts, refusals);  // no message for a change the device took
        QVERIFY(page.ApplyButton()->isEnabled());
        const std::vector<sim_log::Frame> sent = sim_log::Since(m_log, before, "REQUEST");
        QCOMPARE(sent.size(), size_t(1));
        QVERIFY(sent[0].bytes == Wire(BuildSetupPasswordRequest(target, L"admin", L"N3w pass")));
        QCOMPARE(sim_log::Events(m_log, before, "password-changed").size(), size_t(1));

        const QString ip = QString::fromStdWString(m_ip);
        const CtlRun withNew = Tamselctl({"status", ip, "--password", "N3w pass"});
        QCOMPARE(withNew.exitCode, 0);
        QVERIFY(withNew.out.contains(QStringLiteral("Firmware")));
        QCOMPARE(Tamselctl({"status", ip, "--password", "admin"}).exitCode, 4);
    }

    void passwordRefused() {
        Program program;
        QVERIFY(program.ConnectTo(m_ip));
        program.Choose(MenuEntry::kPassword);
        auto& page = program.Page<PasswordPage>(WizardPageId::kPassword);
        MessageAnswerer answerer(&program.Wizard().Messages());
        const uint64_t before = sim_log::LastSeq(m_log);
        page.CurrentField()->setText(QStringLiteral("admin"));
        page.NewField()->setText(QStringLiteral("other"));
        page.RepeatField()->setText(QStringLiteral("other"));
        Click(page.ApplyButton());
        QTRY_VERIFY_WITH_TIMEOUT(program.BackOnSearchPage(), kLimitMs);
        // A change the device did not take must not look like success.
        QCOMPARE(answerer.texts, std::vector<std::wstring>{Msg(kMsgRepeaterTimeout)});
        QVERIFY(page.ApplyButton()->isEnabled());
        QCOMPARE(sim_log::Since(m_log, before, "REQUEST").size(), size_t(1));
        QVERIFY(sim_log::Events(m_log, before, "password-changed").empty());
    }

    void firmwareRefusals() {
        Program program;
        QVERIFY(program.ConnectTo(m_ip));
        program.Choose(MenuEntry::kFirmware);
        auto& page = program.Page<FirmwarePage>(WizardPageId::kFirmware);
        QVERIFY(page.isVisible());
        {
            // Files that cannot be read as such go nowhere.
            MessageAnswerer answerer(&program.Wizard().Messages());
            const uint64_t before = sim_log::LastSeq(m_log);
            const std::string fifo = TempPath("pipe");
            QCOMPARE(mkfifo(fifo.c_str(), 0600), 0);
            for (const std::string& path : {TempPath("missing.bin"), m_dir.Path(), fifo}) {
                ApplyFile(program, path);
            }
            QCOMPARE(answerer.texts, std::vector<std::wstring>(3, Msg(kMsgInvalidFile)));
            QCOMPARE(page.FileField()->text(), QString());
            QVERIFY(page.ApplyButton()->isEnabled());
            QCOMPARE(program.State().WebQueue()->PendingCount(), 0);
            QVERIFY(sim_log::Since(m_log, before, "REQUEST").empty());
        }
        const std::string image = BadImage(1024 * 1024);
        const std::string path = WriteFile(TempPath("refused.bin"), image);
        page.SetFilePath(path);
        SendRefusedImage(program, path, image);
    }

    void firmwareUpgrade() {
        Program program;
        QVERIFY(program.ConnectTo(m_ip));
        const std::wstring oldVersion = program.State().Status().firmwareVersion;
        QVERIFY(!oldVersion.empty());
        program.Choose(MenuEntry::kFirmware);
        auto& page = program.Page<FirmwarePage>(WizardPageId::kFirmware);
        QCOMPARE(page.VersionLabel()->WindowText(), WizardPage::AsMarkupText(oldVersion));

        const std::string image = GoodImage(kNewVersion, 3 * 1024 * 1024);
        const std::string path = WriteFile(TempPath("good image.bin"), image);
        const DeviceTarget target = program.Wizard().Target();
        MessageAnswerer answerer(&program.Wizard().Messages());
        QueueWatcher queued(program.State());
        const uint64_t before = sim_log::LastSeq(m_log);
        ApplyFile(program, path);
        // The upgrade wait runs inside this wait and ends on the search page.
        QTRY_VERIFY_WITH_TIMEOUT(program.BackOnSearchPage(), kLimitMs);
        QVERIFY(answerer.texts.empty());
        CheckUploadReceived(before, path, image, target, "yes");
        QVERIFY(queued.seen.count(L"REBOOT") == 1);
        const std::vector<sim_log::Frame> sent = sim_log::Since(m_log, before, "REQUEST");
        QCOMPARE(sent.size(), size_t(2));
        QVERIFY(sent[1].bytes == Wire(BuildRebootRequest(target)));
        ProgressDialog& wait = program.Wizard().Progress();
        QCOMPARE(wait.ProgressText(), std::wstring(L"Upgrading...."));
        QCOMPARE(wait.StepsShown(), kRestartWaitSteps);

        // The next Connect reads the version the new image brought.
        QVERIFY(program.ConnectTo(m_ip));
        QCOMPARE(program.State().Status().firmwareVersion,
                 QString::fromStdString(kNewVersion).toStdWString());
        program.Choose(MenuEntry::kFirmware);
        QCOMPARE(program.Page<FirmwarePage>(WizardPageId::kFirmware).VersionLabel()->WindowText(),
                 WizardPage::AsMarkupText(program.State().Status().firmwareVersion));
    }

    void firmwareProgress() {
        Program program;
        QVERIFY(program.ConnectTo(m_ip));
        program.Choose(MenuEntry::kFirmware);
        auto& page = program.Page<FirmwarePage>(WizardPageId::kFirmware);
        QProgressBar& bar = *page.ProgressBar();
        // A slow link (this namespace's own), so that the send takes a while.
        QVERIFY(RunTc({"qdisc", "replace", "dev", "eth0", "root", "tbf", "rate", "24mbit", "burst",
                       "32kb", "latency", "400ms"}));
        bool barDuringMessage = true;
        MessageAnswerer answerer(&program.Wizard().Messages(),
                                 [&] { barDuringMessage = bar.isVisible(); });
        const std::string image = BadImage(8 * 1024 * 1024);
        ApplyFile(program, WriteFile(TempPath("slow.bin"), image));
        const bool moved = QTest::qWaitFor(
            [&] {
                return bar.isVisible() && bar.value() > 0 &&
                       bar.value() < FirmwarePage::kProgressRange;
            },
            kLimitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!answerer.texts.empty() && page.ApplyButton()->isEnabled(),
                                 kLimitMs);
        RunTc({"qdisc", "del", "dev", "eth0", "root"});
        QVERIFY2(moved, "the progress bar never showed part of the send");
        QCOMPARE(answerer.texts, std::vector<std::wstring>{Msg(kMsgInvalidFile)});
        QVERIFY(!barDuringMessage);
        QVERIFY(!bar.isVisible());
    }

    void firmwareUtf8Name() {
        Program program;
        QVERIFY(program.ConnectTo(m_ip));
        program.Choose(MenuEntry::kFirmware);
        const std::string image = BadImage(64 * 1024);
        // Typed into the field, as the file dialog would fill it.
        const std::string path =
            WriteFile(TempPath("Pr\xc3\xbc"
                               "fung \xd0\x9e\xd0\xb1\xd1\x80\xd0\xb0\xd0\xb7.bin"),
                      image);
        auto& page = program.Page<FirmwarePage>(WizardPageId::kFirmware);
        page.FileField()->setText(QFile::decodeName(QByteArray::fromStdString(path)));
        SendRefusedImage(program, path, image);
    }

    void firmwareRawName() {
        Program program;
        QVERIFY(program.ConnectTo(m_ip));
        program.Choose(MenuEntry::kFirmware);
        const std::string image = BadImage(64 * 1024);
        // Latin-1 bytes and a lone 0xFF: no UTF-8. Such a name is dropped on the page.
        const std::string path = WriteFile(TempPath("fw-\xe9t\xe9-\xff.bin"), image);
        auto& page = program.Page<FirmwarePage>(WizardPageId::kFirmware);
        QVERIFY(page_test::DropUriList(
            &page, "file://" + QByteArray::fromStdString(path).toPercentEncoding("/")));
        SendRefusedImage(program, path, image);
    }
};

QTEST_MAIN(PagesNetTest)
#include "firmware_password_net_test.moc"
