#pragma once
// The small vertical bar of the scroll dialogs. Only its two arrows (and the
// Up and Down keys) step the value, the upper arrow raising it; page clicks,
// dragging and the wheel leave it where it is, and a step past an end stays
// at the end. The thumb rises with the value, so it moves the way the arrow
// points.

#include "settings/DialogModels.h"

#include <QScrollBar>

#include <functional>
#include <string>

class QLineEdit;

namespace tmx7 {

class ArrowScrollBar : public QScrollBar {
    Q_OBJECT
public:
    // `model` belongs to the dialog and outlives the bar.
    ArrowScrollBar(ScrollModel& model, QWidget* parent);

signals:
    // The model's position changed.
    void stepped();

private:
    void onAction(int action);
    int barPosition() const { return m_model.maximum + m_model.minimum - m_model.position; }

    ScrollModel& m_model;
};

// The value row of a dialog whose value only the bar changes: a greyed edit
// ("valueEdit") showing `text()` and the bar, which refreshes it on each step.
struct ScrolledValue {
    QLineEdit* edit;
    ArrowScrollBar* bar;
};
ScrolledValue MakeScrolledValue(ScrollModel& model, std::function<std::string()> text,
                                QWidget* parent);

} // namespace tmx7
