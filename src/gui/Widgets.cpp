#include "gui/Widgets.h"

#include <QKeyEvent>
#include <QMimeData>

namespace tmx7::gui {

QString ApplyHexFilter(const QString& text, HexKeys keys) {
    const std::u32string filtered = HexFilterText(text.toStdU32String(), keys);
    return QString::fromStdU32String(filtered);
}

namespace {
// Whether a key press carries characters the filter has to judge: printable
// characters and the control characters a key types (backspace, Enter, Tab).
// Editing keys (arrows, Delete, shortcuts such as Ctrl+V) pass; what they
// insert is judged where it is inserted.
bool CarriesTypedText(const QKeyEvent* e) {
    const QString t = e->text();
    if (t.isEmpty())
        return false;
    if (e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    for (QChar c : t) {
        const char16_t u = c.unicode();
        if ((u >= 0x20 && u != 0x7f) || u == '\b' || u == '\r' || u == '\n' || u == '\t')
            return true;
    }
    return false;
}

bool TypedTextAccepted(const QKeyEvent* e, HexKeys keys) {
    for (char32_t c : e->text().toStdU32String())
        if (!HexFilterAccepts(c, keys))
            return false;
    return true;
}
} // namespace

TextArea::TextArea(QWidget* parent) : QPlainTextEdit(parent) {}

void TextArea::keyPressEvent(QKeyEvent* e) {
    if (m_filter && CarriesTypedText(e) && !TypedTextAccepted(e, *m_filter)) {
        e->accept(); // swallowed, like a refused character
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void TextArea::insertFromMimeData(const QMimeData* source) {
    if (!m_filter || !source) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    if (!source->hasText())
        return;
    insertPlainText(ApplyHexFilter(source->text(), *m_filter));
}

QValidator::State HexValidator::validate(QString& input, int& pos) const {
    QString out;
    out.reserve(input.size());
    int newPos = pos;
    for (int i = 0; i < input.size(); ++i) {
        const char32_t c = input.at(i).unicode();
        if (c != U'\b' && HexFilterAccepts(c, m_keys)) {
            out.append(input.at(i));
        } else if (i < pos) {
            --newPos;
        }
    }
    input = out;
    pos = newPos;
    return Acceptable;
}

void NotifyLabel::mousePressEvent(QMouseEvent* e) {
    QLabel::mousePressEvent(e);
    e->accept(); // the label reports the click itself; it does not reach the dialog too
    emit Clicked();
}

void NotifyLabel::mouseDoubleClickEvent(QMouseEvent* e) {
    QLabel::mouseDoubleClickEvent(e);
    e->accept();
    emit DoubleClicked();
}

} // namespace tmx7::gui
