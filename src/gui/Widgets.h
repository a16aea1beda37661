#pragma once
// Small widget types the templates are built from.

#include "gui/HexFilter.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QValidator>

#include <optional>

namespace tmx7::gui {

// Applies the hex filter to a string: the characters it refuses are dropped.
QString ApplyHexFilter(const QString& text, HexKeys keys);

// Multi-line edit. With a hex filter, typed characters and inserted text
// (paste, drop) pass the same rule.
class TextArea : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextArea(QWidget* parent = nullptr);
    void SetHexFilter(std::optional<HexKeys> keys) { m_filter = keys; }
    bool HasHexFilter() const { return m_filter.has_value(); }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    std::optional<HexKeys> m_filter;
};

// Single-line edits: the validator removes refused characters from whatever
// reaches the edit (typed, pasted, dropped) instead of refusing the whole
// change, so pasting "1a2B" leaves "12B".
class HexValidator : public QValidator {
    Q_OBJECT
public:
    HexValidator(HexKeys keys, QObject* parent) : QValidator(parent), m_keys(keys) {}
    State validate(QString& input, int& pos) const override;

private:
    HexKeys m_keys;
};

// A static label that reports clicks and double-clicks (template kNotify).
class NotifyLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void Clicked();
    void DoubleClicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

} // namespace tmx7::gui
