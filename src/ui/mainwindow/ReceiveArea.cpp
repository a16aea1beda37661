#include "ui/mainwindow/ReceiveArea.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace tmx7 {

ReceiveArea::ReceiveArea(QWidget* parent, int limit, int lineChars)
    : QPlainTextEdit(parent), m_limit(std::max(limit, 1)), m_lineChars(lineChars) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    // Hex pairs need no text shaping, which would be most of the cost of
    // every append and every repaint.
    QFont plain = font();
    plain.setStyleStrategy(QFont::PreferNoShaping);
    setFont(plain);
    // The right button does nothing on the window's controls.
    setContextMenuPolicy(Qt::PreventContextMenu);
    // Painted whole by itself: a repaint of the area (and of its scroll bar,
    // which moves with every append) then never repaints the group box
    // behind it, a quarter of the cost of an append.
    setAutoFillBackground(true);
    m_end = QTextCursor(document());
}

int ReceiveArea::length() const {
    return document()->characterCount() - 1;
}

void ReceiveArea::appendReceived(const QString& text, std::uint64_t epoch) {
    m_newest = std::max(m_newest, epoch);
    insert(text, epoch);
}

void ReceiveArea::insert(const QString& text, std::uint64_t epoch) {
    if (text.isEmpty() || epoch < m_floor)
        return;
    if (m_segments.empty() || epoch > m_segments.back().epoch)
        m_segments.push_back({epoch, length()});

    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    QString shown = text;
    int run = document()->lastBlock().length() - 1;
    for (QChar& c : shown) {
        if (c == QLatin1Char('\n')) {
            run = 0;
        } else if (c == QLatin1Char(' ') && run >= m_lineChars) {
            c = QLatin1Char('\n');
            run = 0;
        } else {
            ++run;
        }
    }
    // One edit: the document is laid out once, after the trim, and the
    // cursor skips working out its column in a line nobody edits.
    m_end.beginEditBlock();
    m_end.movePosition(QTextCursor::End);
    m_end.insertText(shown);
    const int held = length();
    if (held > m_limit) {
        // Trim a sixteenth more than needed, so trims stay rare.
        const int least = held - (m_limit - m_limit / 16);
        const QTextBlock last = document()->findBlock(least - 1);
        const int cut = last.position() + last.length();
        // Within one endless line (text without blanks) cut where the count says.
        removeFront(cut <= held ? cut : least);
    }
    m_end.endEditBlock();
    if (following)
        bar->setValue(bar->maximum());
}

void ReceiveArea::appendLines(const QString& lines) {
    appendWhole(lines, std::max(m_newest, m_floor));
}

void ReceiveArea::appendMark(const QString& line) {
    appendWhole(line, std::max(m_newest + 1, m_floor));
}

void ReceiveArea::appendWhole(const QString& lines, std::uint64_t epoch) {
    const bool midLine = document()->lastBlock().length() > 1;
    insert(midLine ? QLatin1Char('\n') + lines : lines, epoch);
}

void ReceiveArea::clearBefore(std::uint64_t epoch) {
    m_newest = std::max(m_newest, epoch);
    m_floor = std::max(m_floor, epoch);
    const auto kept = std::find_if(m_segments.begin(), m_segments.end(),
                                   [epoch](const Segment& s) { return s.epoch >= epoch; });
    if (kept == m_segments.end()) {
        if (length() > 0)
            clear();
        m_segments.clear();
        return;
    }
    removeFront(kept->start);
}

void ReceiveArea::clearNow() {
    clear();
    m_segments.clear();
    m_floor = std::max(m_floor, m_newest + 1);
}

void ReceiveArea::removeFront(int count) {
    if (count <= 0)
        return;
    QTextCursor front(document());
    front.setPosition(count, QTextCursor::KeepAnchor);
    front.removeSelectedText();
    for (Segment& s : m_segments)
        s.start = std::max(0, s.start - count);
    // Of the segments that now start at 0, only the newest still has text.
    while (m_segments.size() > 1 && m_segments[1].start == 0)
        m_segments.erase(m_segments.begin());
}

void ReceiveArea::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

} // namespace tmx7
