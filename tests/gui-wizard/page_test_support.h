#pragma once

// Helpers of the firmware and password page tests: dropped files and temporary files with
// names in any encoding (clicks and screenshots: support/gui_test_support.h; a page on
// its own: support/fake_wizard_host.h; the message box: support/message_answerer.h).

#include <QDropEvent>
#include <QMimeData>
#include <QtTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace page_test {

// Drops `uriList` (the raw bytes of a text/uri-list) on `target`.
inline bool DropUriList(QWidget* target, const QByteArray& uriList) {
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), uriList);
    const QPointF at = target->rect().center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// A temporary folder that goes with all it holds, names in any encoding included (which
// QTemporaryDir cannot remove).
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "fwpw.XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_path.empty()) {
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool IsValid() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    // The path of `name` (bytes) inside the folder.
    std::string PathOf(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Writes `data` to `path` (bytes) and returns the path.
inline std::string WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
    return path;
}

}  // namespace page_test
