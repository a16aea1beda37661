#include "ui/dialogs/ArrowScrollBar.h"

#include <QLineEdit>

namespace tmx7 {

ArrowScrollBar::ArrowScrollBar(ScrollModel& model, QWidget* parent)
    : QScrollBar(Qt::Vertical, parent), m_model(model) {
    setObjectName(QStringLiteral("valueScrollBar"));
    setRange(model.minimum, model.maximum);
    setSingleStep(model.step);
    setPageStep(model.step);
    setValue(barPosition());
    connect(this, &QAbstractSlider::actionTriggered, this, &ArrowScrollBar::onAction);
}

void ArrowScrollBar::onAction(int action) {
    // A bar's value grows downwards: its upper arrow subtracts a step.
    ScrollRequest request = ScrollRequest::Track;
    if (action == SliderSingleStepSub)
        request = ScrollRequest::LineUp;
    else if (action == SliderSingleStepAdd)
        request = ScrollRequest::LineDown;
    const bool moved = m_model.Apply(request);
    // Whatever the action did to the bar, it shows the model's position.
    setSliderPosition(barPosition());
    if (moved)
        emit stepped();
}

ScrolledValue MakeScrolledValue(ScrollModel& model, std::function<std::string()> text,
                                QWidget* parent) {
    auto* edit = new QLineEdit(QString::fromStdString(text()), parent);
    edit->setObjectName(QStringLiteral("valueEdit"));
    edit->setEnabled(false);
    auto* bar = new ArrowScrollBar(model, parent);
    QObject::connect(bar, &ArrowScrollBar::stepped, edit, [edit, text = std::move(text)] {
        edit->setText(QString::fromStdString(text()));
    });
    return {edit, bar};
}

} // namespace tmx7
