#pragma once

#include <cstdint>
#include <string>

#include "wizard/ui/wizard_page.h"

class MarkupLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The firmware page (menu entry "Firmware"): the device's firmware version and the upload
// of a new image.
//
// Browse (or a file dropped on the page) names the image; Apply checks that it opens for
// reading as a file (204 without a name, 254 otherwise, and the field empties), runs the
// firmware upgrade and stays disabled until the device has answered the upload. While the
// request is on its way a progress bar shows how much of it has been sent. An accepted
// image starts the upgrade's restart wait: REBOOT, then eleven ticks of 12 s behind
// "Upgrading....", and the search page. A refused one (254) or no good answer (139) is
// said in the message box, and the field empties.
//
// The file name is kept as the bytes the file system knows it by; the field shows them
// decoded. A name typed or chosen in the dialog is encoded as the file system expects,
// and a dropped file keeps its bytes exactly, whatever their encoding.
class FirmwarePage : public WizardPage {
    Q_OBJECT

public:
    // Polls how far the upload has got, while it is being sent.
    static constexpr int kUploadProgressTimerId = 201;
    static constexpr uint32_t kUploadProgressTimerMs = 200;
    // The progress bar counts in thousandths of the request.
    static constexpr int kProgressRange = 1000;

    FirmwarePage(IWizardHost& host, QWidget* parent);

    // Browse: the file-open dialog; a confirmed choice goes into the file name field.
    void Browse();
    // Apply: checks the named file and queues its upload.
    void Apply();

    // Names the image by the bytes of its path (empty: no file) and shows it in the field.
    void SetFilePath(const std::string& path);
    // The bytes of the path the field stands for.
    const std::string& FilePath() const { return m_filePath; }

    bool IsUploadRunning() const { return m_uploadRunning; }

    MarkupLabel* VersionLabel() const { return m_version; }
    QLineEdit* FileField() const { return m_file; }
    QPushButton* BrowseButton() const { return m_browse; }
    QPushButton* ApplyButton() const { return m_apply; }
    QProgressBar* ProgressBar() const { return m_progress; }

protected:
    void LayOut() override;
    // Shows the version from the status record, and the upload's progress while it runs.
    void OnShown() override;
    void OnTimer(int id) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The device has answered the upload: the send is over.
    void OnUploadAnswered();
    void StartProgress();
    void UpdateProgress();
    void StopProgress();

    MarkupLabel* m_version;
    QLineEdit* m_file;
    QPushButton* m_browse;
    QPushButton* m_apply;
    QProgressBar* m_progress;
    std::string m_filePath;
    // From Apply until the device has answered the upload.
    bool m_uploadRunning = false;
    OperationCallbacks m_upgrade;
};
