#include "ui/window/ReceiveArea.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace tmx7 {

namespace {

// Longest stretch searched for a pair boundary; hex text has one every three
// characters, other text rarely goes this long without a blank.
constexpr int kBoundarySearch = 256;
// Longest line kept in the area before a blank is shown as a line end.
constexpr int kBlockChars = 1024;

bool IsPairBoundary(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QChar::ParagraphSeparator ||
           c == QChar::LineSeparator;
}

} // namespace

int ReceivedLength(const QPlainTextEdit* area) {
    return area->document()->characterCount() - 1;
}

void AppendReceivedText(QPlainTextEdit* area, const QString& text, int limit, int trimTo) {
    if (text.isEmpty())
        return;
    QScrollBar* bar = area->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    QTextDocument* doc = area->document();
    // Every append and trim would otherwise be kept as an undo step, with the
    // text it removed: under a steady stream that history, not the bounded
    // text, is what grows (tens of MB an hour). Nobody undoes received data.
    if (doc->isUndoRedoEnabled())
        doc->setUndoRedoEnabled(false);
    // The editor lays out a whole paragraph again whenever it changes, so
    // one endless line of pairs would make every append cost in proportion
    // to the area. A blank after kBlockChars of a line becomes a line end.
    QString shown = text;
    int run = doc->lastBlock().length() - 1;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const QChar c = shown[i];
        if (c == QLatin1Char('\n')) {
            run = 0;
        } else if (c == QLatin1Char(' ') && run >= kBlockChars) {
            shown[i] = QLatin1Char('\n');
            run = 0;
        } else {
            ++run;
        }
    }
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown);

    const int length = ReceivedLength(area);
    if (length > limit) {
        int cut = length - trimTo;
        const int searchEnd = std::min(length, cut + kBoundarySearch);
        int p = cut;
        while (p < searchEnd && !IsPairBoundary(doc->characterAt(p)))
            ++p;
        // Cut after the boundary; without one nearby, cut where the count says.
        if (p < searchEnd)
            cut = p + 1;
        QTextCursor front(doc);
        front.setPosition(0);
        front.setPosition(cut, QTextCursor::KeepAnchor);
        front.removeSelectedText();
    }
    if (atEnd)
        bar->setValue(bar->maximum());
}

} // namespace tmx7
