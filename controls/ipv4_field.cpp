#include "controls/ipv4_field.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>

#include "controls/accessible_controls.h"

namespace {

constexpr int kFrameWidth = 1;
const QColor kBackground(255, 255, 255);
const QColor kDisabledBackground(240, 240, 240);
const QColor kFrameColor(122, 122, 122);
const QColor kDisabledFrameColor(204, 204, 204);
const QColor kTextColor(0, 0, 0);
const QColor kDisabledTextColor(109, 109, 109);

const QString kDot = QStringLiteral(".");

// A line edit's caret and the other end of its selection.
std::pair<int, int> AnchorAndCaret(const QLineEdit& edit) {
    const int caret = edit.cursorPosition();
    if (!edit.hasSelectedText()) {
        return {caret, caret};
    }
    const int start = edit.selectionStart();
    const int end = edit.selectionEnd();
    return {caret == start ? end : start, caret};
}

}  // namespace

Ipv4Field::Ipv4Field(QWidget* parent) : QWidget(parent) {
    InstallAccessibleControls();
    QPalette colors = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        colors.setColor(group, QPalette::Text, kTextColor);
        colors.setColor(group, QPalette::WindowText, kTextColor);
    }
    colors.setColor(QPalette::Disabled, QPalette::Text, kDisabledTextColor);
    colors.setColor(QPalette::Disabled, QPalette::WindowText, kDisabledTextColor);
    // The field paints one background behind all four octets.
    colors.setColor(QPalette::All, QPalette::Base, Qt::transparent);
    setPalette(colors);

    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int i = 0; i < kOctetCount; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignCenter);
        edit->setMaxLength(Ipv4FieldModel::kMaxDigits);
        edit->setValidator(digits);
        edit->setAcceptDrops(false);
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        // Only the first octet is reached by Tab, so Tab leaves the field from any octet.
        edit->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::cursorPositionChanged, this, [this, i] { SyncFromEdit(i); });
        connect(edit, &QLineEdit::selectionChanged, this, [this, i] { SyncFromEdit(i); });
        connect(edit, &QLineEdit::textEdited, this, [this, i] { SyncFromEdit(i); });
        connect(edit, &QWidget::customContextMenuRequested, this,
                [this, i](const QPoint& position) { ShowContextMenu(i, position); });
        m_edits[i] = edit;
    }
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_edits[0]);
    SetAccessibleName(L"IP address");
    LayOut();
}

template <typename Command>
void Ipv4Field::Run(Command&& command, FocusMove focus, int fromEdit) {
    Ipv4FieldModel::OctetTexts before;
    for (int i = 0; i < kOctetCount; ++i) {
        before[i] = m_model.OctetText(i);
    }
    command();
    Render(focus, fromEdit);
    for (int i = 0; i < kOctetCount; ++i) {
        if (m_model.OctetText(i) != before[i]) {
            emit changed();
            return;
        }
    }
}

bool Ipv4Field::SetAddress(const std::wstring& dotted) {
    bool accepted = false;
    Run([&] { accepted = m_model.SetAddress(dotted); });
    return accepted;
}

void Ipv4Field::Clear() {
    Run([&] { m_model.Clear(); });
}

void Ipv4Field::SetFocusOnOctet(int index) {
    Run([&] { m_model.FocusOctet(index); }, FocusMove::Always);
}

void Ipv4Field::SetAccessibleName(const std::wstring& name) {
    const QString field = QString::fromStdWString(name);
    setAccessibleName(field);
    for (int i = 0; i < kOctetCount; ++i) {
        m_edits[i]->setAccessibleName(
            field.isEmpty()
                ? QStringLiteral("Octet %1 of %2").arg(i + 1).arg(kOctetCount)
                : QStringLiteral("%1, octet %2 of %3").arg(field).arg(i + 1).arg(kOctetCount));
    }
}

void Ipv4Field::Cut() {
    if (!m_model.HasSelection()) {
        return;
    }
    QApplication::clipboard()->setText(QString::fromStdWString(m_model.SelectedText()));
    Run([&] { m_model.EraseSelection(); });
}

void Ipv4Field::Copy() {
    if (m_model.HasSelection()) {
        QApplication::clipboard()->setText(QString::fromStdWString(m_model.SelectedText()));
    }
}

void Ipv4Field::Paste() {
    const std::wstring text = QApplication::clipboard()->text().toStdWString();
    Run([&] { m_model.Paste(text); });
}

void Ipv4Field::SelectAll() {
    Run([&] { m_model.SelectAll(); });
}

QSize Ipv4Field::sizeHint() const {
    const QFontMetrics metrics(font());
    // Three digits and the line edit's own margins per octet.
    const int octet = metrics.horizontalAdvance(QStringLiteral("000")) + 8;
    const int dot = metrics.horizontalAdvance(kDot) + 2;
    return {kOctetCount * octet + (kOctetCount - 1) * dot + 2 * kFrameWidth,
            metrics.height() + 4 + 2 * kFrameWidth};
}

QSize Ipv4Field::minimumSizeHint() const {
    return sizeHint();
}

bool Ipv4Field::HandleKey(QKeyEvent* event) {
    if (!isEnabled()) {
        return false;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return true;
    }
    if (event->matches(QKeySequence::Copy)) {
        Copy();
        return true;
    }
    if (event->matches(QKeySequence::Cut)) {
        Cut();
        return true;
    }
    if (event->matches(QKeySequence::Paste)) {
        Paste();
        return true;
    }
    // The octets are rewritten as the model changes, so a line edit's own undo would
    // restore text from an octet's past that the model no longer holds.
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        return true;
    }

    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool commandKey = modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    switch (event->key()) {
        case Qt::Key_Home:
        case Qt::Key_End:
            if (modifiers & (Qt::AltModifier | Qt::MetaModifier)) {
                return false;
            }
            Run([&] {
                event->key() == Qt::Key_Home ? m_model.MoveToStart(shift)
                                             : m_model.MoveToEnd(shift);
            });
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            if (commandKey) {
                return false;  // word moves stay inside the octet's line edit
            }
            Run([&] {
                event->key() == Qt::Key_Left ? m_model.MoveLeft(shift) : m_model.MoveRight(shift);
            });
            return true;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            if (commandKey) {
                return false;
            }
            Run([&] {
                event->key() == Qt::Key_Backspace ? m_model.Backspace() : m_model.DeleteForward();
            });
            return true;
        default:
            break;
    }

    const QString text = event->text();
    if (commandKey || text.isEmpty() || !text.at(0).isPrint()) {
        return false;  // Tab, Enter, Escape, shortcuts and the like take their usual way
    }
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            Run([&] { m_model.TypeDigit(static_cast<wchar_t>(c.unicode())); });
        } else if (c == u'.' || c == u' ') {
            Run([&] { m_model.TypeSeparator(); });
        }
    }
    return true;  // any other character is swallowed
}

void Ipv4Field::Render(FocusMove focus, int fromEdit) {
    const QScopedValueRollback<bool> rendering(m_rendering, true);
    const Ipv4FieldModel::Position caret = m_model.Caret();
    QLineEdit* caretEdit = m_edits[caret.octet];
    if ((focus == FocusMove::Always || FocusInside()) && !caretEdit->hasFocus()) {
        caretEdit->setFocus(Qt::OtherFocusReason);
    }
    for (int i = 0; i < kOctetCount; ++i) {
        if (i == fromEdit) {
            continue;
        }
        QLineEdit* edit = m_edits[i];
        const QString text = QString::fromStdWString(m_model.OctetText(i));
        if (edit->text() != text) {
            edit->setText(text);
        }
        const auto [begin, end] = m_model.SelectionIn(i);
        if (i == caret.octet) {
            // setSelection leaves the line edit's caret at start + length.
            if (begin == end) {
                edit->setCursorPosition(caret.offset);
            } else if (caret.offset == begin) {
                edit->setSelection(end, begin - end);
            } else {
                edit->setSelection(begin, end - begin);
            }
        } else if (begin == end) {
            edit->deselect();
        } else {
            edit->setSelection(begin, end - begin);
        }
    }
}

void Ipv4Field::SyncFromEdit(int index) {
    if (m_rendering) {
        return;
    }
    const QLineEdit& edit = *m_edits[index];
    const auto [anchor, caret] = AnchorAndCaret(edit);
    const std::wstring text = edit.text().toStdWString();
    Run(
        [&] {
            if (text != m_model.OctetText(index)) {
                m_model.SetOctetText(index, text, caret);
            } else {
                m_model.Place(index, anchor, caret);
            }
        },
        FocusMove::IfInside, index);
    // A line edit that held more than the model kept is brought in line.
    if (edit.text().toStdWString() != m_model.OctetText(index)) {
        Render(FocusMove::IfInside, -1);
    }
}

void Ipv4Field::ShowContextMenu(int index, const QPoint& position) {
    QMenu menu(this);
    const bool selection = m_model.HasSelection();
    menu.addAction(QLineEdit::tr("Cu&t"), this, &Ipv4Field::Cut)->setEnabled(selection);
    menu.addAction(QLineEdit::tr("&Copy"), this, &Ipv4Field::Copy)->setEnabled(selection);
    menu.addAction(QLineEdit::tr("&Paste"), this, &Ipv4Field::Paste)
        ->setEnabled(!QApplication::clipboard()->text().isEmpty());
    menu.addAction(QLineEdit::tr("Delete"), this,
                   [this] { Run([&] { m_model.EraseSelection(); }); })
        ->setEnabled(selection);
    menu.addSeparator();
    menu.addAction(QLineEdit::tr("Select All"), this, &Ipv4Field::SelectAll);
    menu.exec(m_edits[index]->mapToGlobal(position));
}

bool Ipv4Field::FocusInside() const {
    const QWidget* focus = window()->focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

int Ipv4Field::IndexOf(const QObject* object) const {
    for (int i = 0; i < kOctetCount; ++i) {
        if (m_edits[i] == object) {
            return i;
        }
    }
    return -1;
}

bool Ipv4Field::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index < 0 || m_rendering) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::KeyPress:
            return HandleKey(static_cast<QKeyEvent*>(event));
        case QEvent::FocusIn: {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
                SyncFromEdit(index);
            }
            break;
        }
        case QEvent::FocusOut: {
            // A context menu or another window taking over keeps the field as it is, as
            // a line edit keeps its selection then.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            const QWidget* next = QApplication::focusWidget();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason &&
                !(next && isAncestorOf(next))) {
                Run([&] { m_model.Leave(); });
            }
            break;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

bool Ipv4Field::focusNextPrevChild(bool next) {
    // Shift+Tab from a later octet would stop at the first octet, the field's one tab
    // stop; taking that stop away for the walk lets it go on to what lies before the field.
    if (!next && FocusInside()) {
        m_edits[0]->setFocusPolicy(Qt::ClickFocus);
        const bool moved = QWidget::focusNextPrevChild(next);
        m_edits[0]->setFocusPolicy(Qt::StrongFocus);
        return moved;
    }
    return QWidget::focusNextPrevChild(next);
}

void Ipv4Field::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

void Ipv4Field::mousePressEvent(QMouseEvent* event) {
    // A press on a dot or the frame puts the caret at the nearest end of an octet.
    const int x = event->position().toPoint().x();
    int octet = kOctetCount - 1;
    int offset = static_cast<int>(m_model.OctetText(octet).size());
    for (int i = 0; i < kOctetCount; ++i) {
        const QRect box = m_edits[i]->geometry();
        if (x < box.left()) {
            const bool previous =
                i > 0 && x < (m_edits[i - 1]->geometry().right() + box.left()) / 2;
            octet = previous ? i - 1 : i;
            offset = previous ? static_cast<int>(m_model.OctetText(octet).size()) : 0;
            break;
        }
    }
    Run([&] { m_model.Place(octet, offset, offset); }, FocusMove::Always);
    event->accept();
}

void Ipv4Field::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool enabled = isEnabled();
    painter.fillRect(rect(), enabled ? kBackground : kDisabledBackground);
    painter.setPen(enabled ? kFrameColor : kDisabledFrameColor);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    // The dots sit on the octets' baseline: a frameless line edit centres its text in its
    // height less a 1-pixel margin above and below.
    const QFontMetrics metrics(font());
    painter.setPen(enabled ? kTextColor : kDisabledTextColor);
    for (const QRect& dot : m_dots) {
        const int top = dot.top() + 1 + (dot.height() - 2 - metrics.height() + 1) / 2;
        const int left = dot.left() + (dot.width() - metrics.horizontalAdvance(kDot)) / 2;
        painter.drawText(QPoint(left, top + metrics.ascent()), kDot);
    }
}

void Ipv4Field::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void Ipv4Field::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        LayOut();
        update();
    }
}

void Ipv4Field::LayOut() {
    const QRect inner = rect().adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth);
    const int dotWidth = QFontMetrics(font()).horizontalAdvance(kDot) + 2;
    const int octetsWidth = qMax(0, inner.width() - (kOctetCount - 1) * dotWidth);
    // Pixels that do not divide evenly go to the first octets.
    const int octetWidth = octetsWidth / kOctetCount;
    const int spare = octetsWidth % kOctetCount;
    int x = inner.left();
    for (int i = 0; i < kOctetCount; ++i) {
        const int width = octetWidth + (i < spare ? 1 : 0);
        m_edits[i]->setGeometry(x, inner.top(), width, inner.height());
        x += width;
        if (i + 1 < kOctetCount) {
            m_dots[i] = QRect(x, inner.top(), dotWidth, inner.height());
            x += dotWidth;
        }
    }
}
