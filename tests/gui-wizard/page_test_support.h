#pragma once

// What the wizard's page tests share: a page shown on its own over a fake host, what it
// queued, accessible names, the focused octet of an address field, dropped files and
// temporary files with names in any encoding (clicks and screenshots:
// support/gui_test_support.h; the message box: support/message_answerer.h).

#include <QAccessible>
#include <QDropEvent>
#include <QMimeData>
#include <QtTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "controls/ipv4_field.h"
#include "controls/picture_button.h"
#include "controls/transparent_label.h"
#include "platform/ansi_text.h"
#include "resources/string_table.h"
#include "support/fakes/fake_wizard_host.h"
#include "support/message_answerer.h"
#include "web/web_request.h"
#include "window/skinned_page.h"

// One page over the whole of a 700 by 500 frame, on a fake host that `setUp` prepares,
// shown and active as the frame shows its pages.
template <typename Page>
struct ShownPage : PageOnFakeHost<Page> {
    using PageOnFakeHost<Page>::frame;
    using PageOnFakeHost<Page>::host;
    using PageOnFakeHost<Page>::page;

    explicit ShownPage(const std::function<void(FakeWizardHost&)>& setUp = {}) {
        if (setUp) {
            setUp(host);
        }
        frame.show();
        frame.activateWindow();
        page.ShowWindow(true);
    }

    void Reshow() {
        page.ShowWindow(false);
        page.ShowWindow(true);
    }
    // A press of the left button on the page's own background.
    void Press(QPoint point) { QTest::mousePress(&page, Qt::LeftButton, {}, point); }
    // Whether the mouse at `point` shows the hand (over a control, that control's cursor).
    bool HandAt(QPoint point) {
        QTest::mouseMove(&page, point);
        QWidget* under = page.childAt(point);
        return (under != nullptr ? under : &page)->cursor().shape() == Qt::PointingHandCursor;
    }
    // Presses OK on the message box that `act` raises; returns the text it showed.
    std::wstring MessageFrom(const std::function<void()>& act) {
        MessageAnswerer answerer(&host.messages);
        act();
        return answerer.texts.empty() ? std::wstring() : answerer.texts.front();
    }
};

namespace page_test {

inline std::wstring Msg(int id) {
    return LoadString(id);
}

// A queued command: its name and the bytes it would put on the wire.
struct Queued {
    std::wstring command;
    std::string wire;
    bool operator==(const Queued&) const = default;
};

inline Queued Expected(const std::wstring& command, const WebRequest& request) {
    return {command, WideToAnsi(request.ToText())};
}

// What the page queued, in the same form.
inline std::vector<Queued> Sent(const RecordingSink& sink) {
    std::vector<Queued> sent;
    for (size_t i = 0; i < sink.queued.size(); ++i) {
        sent.push_back(Expected(sink.queued[i], sink.requests.at(i)));
    }
    return sent;
}

// Every control of a page carries an accessible name: the page's own ones and those of
// the skin (menu, Close, Minimize, device labels).
inline void ExpectAccessibleNames(const SkinnedPage& page, std::vector<QWidget*> controls) {
    for (int i = 0; i < kMenuEntryCount; ++i) {
        controls.push_back(page.MenuItem(static_cast<MenuEntry>(i)));
    }
    controls.push_back(page.CloseControl());
    controls.push_back(page.MinimizeControl());
    controls.push_back(page.MacLabel());
    controls.push_back(page.IpLabel());
    for (QWidget* control : controls) {
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(control);
        QVERIFY2(node != nullptr, qPrintable(control->objectName()));
        QVERIFY2(!node->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
    }
}

// The octet of `field` that has its window's focus; -1 when none has it.
inline int FocusedOctet(Ipv4Field& field) {
    for (int i = 0; i < Ipv4Field::kOctetCount; ++i) {
        if (field.window()->focusWidget() == field.OctetEdit(i)) {
            return i;
        }
    }
    return -1;
}

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
