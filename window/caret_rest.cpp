#include "window/caret_rest.h"

#include <QApplication>
#include <QEvent>
#include <QStyleHints>

#include "platform/time_scale.h"

void CaretRest::InstallOnce() {
    // Owned by the application, so a later application (in tests) gets the rule again.
    static constexpr char kName[] = "tamsel-caret-rest";
    if (qApp == nullptr ||
        qApp->findChild<QObject*>(QLatin1String(kName), Qt::FindDirectChildrenOnly) != nullptr) {
        return;
    }
    auto* rest = new CaretRest(qApp);
    rest->setObjectName(QLatin1String(kName));
    qApp->installEventFilter(rest);
}

CaretRest::CaretRest(QObject* parent) : QObject(parent) {
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, [this] { Hold(); });
    StartQuiet();
}

void CaretRest::StartQuiet() {
    m_quiet.start(std::chrono::milliseconds(time_scale::ToRealMs(kBlinkMs)));
}

bool CaretRest::eventFilter(QObject* /*watched*/, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
        case QEvent::InputMethod:
            Resume();
            break;
        default:
            break;
    }
    return false;
}

void CaretRest::Hold() {
    QStyleHints* hints = QGuiApplication::styleHints();
    if (m_heldFlashTime == 0 && hints->cursorFlashTime() > 0) {
        m_heldFlashTime = hints->cursorFlashTime();
        hints->setCursorFlashTime(0);
    }
}

void CaretRest::Resume() {
    if (m_heldFlashTime != 0) {
        QGuiApplication::styleHints()->setCursorFlashTime(m_heldFlashTime);
        m_heldFlashTime = 0;
    }
    StartQuiet();
}
