#include "wizard/ui/firmware_page.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSysInfo>

#include <optional>

#include "controls/markup_label.h"
#include "device/device_operations.h"
#include "resources/string_ids.h"
#include "web/input_rules.h"
#include "window/control_layout.h"
#include "wizard/ui/wizard_control_ids.h"
#include "wizard/ui/wizard_layout.h"

namespace {

constexpr char kUriListType[] = "text/uri-list";

// The path of the first entry of a URI list, when that is a file on this machine, as the
// bytes the file system knows it by: the list carries a name's bytes percent-encoded, so
// a name in any encoding arrives whole (which a decoded URL would not guarantee).
std::optional<std::string> FirstLocalFile(const QByteArray& uriList) {
    for (const QByteArray& rawLine : uriList.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        if (!line.toLower().startsWith("file:")) {
            return std::nullopt;
        }
        QByteArray rest = line.mid(5);
        if (rest.startsWith("//")) {
            rest = rest.mid(2);
            const qsizetype slash = rest.indexOf('/');
            if (slash < 0) {
                return std::nullopt;
            }
            const QByteArray host = rest.left(slash).toLower();
            if (!host.isEmpty() && host != "localhost" &&
                host != QSysInfo::machineHostName().toLower().toUtf8()) {
                return std::nullopt;  // another machine's file
            }
            rest = rest.mid(slash);
        }
        if (!rest.startsWith('/')) {
            return std::nullopt;
        }
        return QByteArray::fromPercentEncoding(rest).toStdString();
    }
    return std::nullopt;
}

}  // namespace

FirmwarePage::FirmwarePage(IWizardHost& host, QWidget* parent)
    : WizardPage(WizardPageId::kFirmware, host, parent),
      m_version(AddValueLabel(kFirmwareVersion, kTextFirmwareVersion)),
      m_file(new QLineEdit(this)),
      m_browse(AddButton(kFirmwareBrowse, kTextBrowse)),
      m_apply(AddButton(kFirmwareApply, kTextApply)),
      m_progress(new QProgressBar(this)) {
    NameControl(m_file, kFirmwareFile, kTextFirmwareFile);
    m_progress->setAccessibleName(Text(kTextUploadProgress));
    // A file dropped over the field is the page's to take (with its name's exact bytes).
    m_file->setAcceptDrops(false);
    m_progress->setRange(0, kProgressRange);
    m_progress->setTextVisible(true);
    m_progress->hide();
    setAcceptDrops(true);
    m_upgrade.onOutcome = [this](OperationOutcome) {
        OnUploadAnswered();
        RunRestartWait(RestartCause::kFirmwareUpgrade);
        ReturnToSearchPage(this);
    };
    m_upgrade.onFailed = [this](const OperationFailure& failure) {
        OnUploadAnswered();
        if (ShowMessage(failure.verdict.messageId)) {
            m_file->clear();
        }
    };

    // Whatever puts text into the field names a file by that text; SetFilePath puts its
    // own bytes back afterwards.
    connect(m_file, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_filePath = QFile::encodeName(text).toStdString(); });
    connect(m_browse, &QPushButton::clicked, this, [this] { Browse(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { Apply(); });
}

void FirmwarePage::LayOut() {
    PlaceControl(m_file, kFirmwareFileRect);
    PlaceControl(m_browse, kFirmwareBrowseRect);
    PlaceControl(m_apply, kFirmwareApplyRect);
    PlaceControl(m_version, kFirmwareVersionRect);
    PlaceControl(m_progress, kFirmwareProgressRect);
}

void FirmwarePage::OnShown() {
    ShowDeviceValue(*m_version, Host().Status().firmwareVersion);
    // The bar's timer stopped when the page was hidden.
    if (m_uploadRunning) {
        StartProgress();
    }
}

void FirmwarePage::SetFilePath(const std::string& path) {
    m_file->setText(QFile::decodeName(QByteArray::fromStdString(path)));
    m_filePath = path;
}

void FirmwarePage::Browse() {
    QPointer<FirmwarePage> self(this);
    const QString chosen =
        QFileDialog::getOpenFileName(this, QString(), QString(), Text(kTextFirmwareFilter));
    // The dialog runs its own loop: the wizard may have been closed meanwhile.
    if (self == nullptr || chosen.isEmpty()) {
        return;
    }
    SetFilePath(QFile::encodeName(chosen).toStdString());
}

void FirmwarePage::Apply() {
    const std::string path = m_filePath;
    const InputVerdict verdict = CheckImageFile(path);
    if (!verdict.Accepted()) {
        if (ShowMessage(verdict.messageId)) {
            SetFilePath(std::string());
        }
        return;
    }
    m_apply->setEnabled(false);
    m_uploadRunning = true;
    RunOperation(
        UpgradeFirmwareOperation({path}, Host().StatusToFill(), RestartHandling::kByRestartWait),
        m_upgrade);
    StartProgress();
}

void FirmwarePage::OnUploadAnswered() {
    m_apply->setEnabled(true);
    m_uploadRunning = false;
    StopProgress();
}

void FirmwarePage::OnTimer(int id) {
    if (id == kUploadProgressTimerId) {
        UpdateProgress();
        return;
    }
    WizardPage::OnTimer(id);
}

void FirmwarePage::StartProgress() {
    UpdateProgress();
    m_progress->show();
    SetTimer(kUploadProgressTimerId, kUploadProgressTimerMs);
}

void FirmwarePage::UpdateProgress() {
    const SendProgress progress = Host().UploadProgress();
    // Nothing sent yet (the connection is still being made) reads as the start.
    const uint64_t share =
        progress.total == 0 ? 0 : progress.sent * kProgressRange / progress.total;
    m_progress->setValue(static_cast<int>(share));
}

void FirmwarePage::StopProgress() {
    KillTimer(kUploadProgressTimerId);
    m_progress->hide();
    m_progress->setValue(0);
}

void FirmwarePage::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data != nullptr && FirstLocalFile(data->data(kUriListType))) {
        event->acceptProposedAction();
    }
}

void FirmwarePage::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data == nullptr) {
        return;
    }
    if (const std::optional<std::string> path = FirstLocalFile(data->data(kUriListType))) {
        SetFilePath(*path);
        event->acceptProposedAction();
    }
}
