#pragma once
// A line edit's character rule as a validator: typed, pasted and dropped text
// alike keep only the characters `accepts` lets through (the rest are dropped,
// not the whole change). The edit's own length limit still applies.
//
//     edit->setValidator(new CharFilter(&HexKeyAccepted, edit));

#include <QValidator>

namespace tmx7::gui {

class CharFilter : public QValidator {
    Q_OBJECT
public:
    using Rule = bool (*)(char32_t);
    explicit CharFilter(Rule accepts, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;

private:
    Rule m_accepts;
};

} // namespace tmx7::gui
