#pragma once
// "接收区": what the module sends, newest at the end. Read-only, with no undo
// history (nobody undoes received data, and the history would keep every
// append and trim: tens of MB an hour under a steady stream). It keeps the
// newest `limit` characters: beyond that whole lines go from the top.
//
// Lines are cut at a blank once they reach `lineChars` characters (about
// 1 K by default). The editor lays out a whole line again whenever it
// changes, so one endless line of hex pairs would make every append cost as
// much as everything shown.
//
// Text carries the receive epoch it was decoded in. A clear of the epoch E
// drops everything decoded before E, wherever it is in the queue of events:
// text of an older epoch that is still on its way is not shown, and text of
// E or later that arrived before the clear itself is kept.

#include <QPlainTextEdit>
#include <QTextCursor>

#include <cstdint>
#include <vector>

namespace tmx7 {

class ReceiveArea : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int kLineChars = 1024;
    // 256 K characters: about 87 000 received bytes as "XX " pairs.
    static constexpr int kTextLimit = 256 * 1024;

    explicit ReceiveArea(QWidget* parent = nullptr, int limit = kTextLimit,
                         int lineChars = kLineChars);

    // Appends text decoded in `epoch`; ignored when older than the last clear.
    void appendReceived(const QString& text, std::uint64_t epoch);
    // Appends whole lines (`lines` ends with a line end) of now, after every
    // clear so far, starting a new line first where the text ends mid-line.
    void appendLines(const QString& lines);
    // The same for a line that also outlasts the engine's next clear: a
    // port's loss or return stays on show through the refresh that follows.
    void appendMark(const QString& line);
    // The engine's clear of `epoch`: what was decoded before it goes.
    void clearBefore(std::uint64_t epoch);
    // The user's clear: empties the area now, and drops what is still on its
    // way from before (its own epoch comes later, with the engine's clear).
    void clearNow();
    // Characters held.
    int length() const;

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Shows `text` of `epoch` unless a clear dropped that epoch; the newest
    // epoch seen is the engine's alone.
    void insert(const QString& text, std::uint64_t epoch);
    void appendWhole(const QString& lines, std::uint64_t epoch);
    // Removes the first `count` characters, and the start of each epoch's
    // text with them.
    void removeFront(int count);

    struct Segment {
        std::uint64_t epoch;
        int start; // position of the segment's first character
    };

    int m_limit;
    int m_lineChars;
    QTextCursor m_end;
    std::vector<Segment> m_segments; // epochs of the text shown, oldest first
    std::uint64_t m_floor = 0;       // text of an older epoch is dropped
    std::uint64_t m_newest = 0;      // newest epoch seen
};

} // namespace tmx7
