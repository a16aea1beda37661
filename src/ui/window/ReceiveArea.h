#pragma once
// The receive area grows by appending only: re-setting a long text on every
// packet would cost time in proportion to everything received so far. It keeps
// the newest kReceiveLimit characters; when it runs over, it drops the oldest
// text down to kReceiveTrimTo, cutting just after a blank or line end so the
// first pair shown is whole. Trimming in steps keeps the cost of a trim rare.
// Long runs of pairs are shown in lines of about 1 K characters: a blank
// there is shown as a line end.

class QPlainTextEdit;
class QString;

namespace tmx7 {

inline constexpr int kReceiveLimit = 256 * 1024;
inline constexpr int kReceiveTrimTo = kReceiveLimit - 16 * 1024;

// Appends at the end and trims the front as described; the view follows the
// end when it was showing the end before. Turns the area's undo history off:
// text the program writes is never undone, and the history would keep
// every append and trim.
void AppendReceivedText(QPlainTextEdit* area, const QString& text, int limit = kReceiveLimit,
                        int trimTo = kReceiveTrimTo);
// Characters held (without the document's closing paragraph mark).
int ReceivedLength(const QPlainTextEdit* area);

} // namespace tmx7
