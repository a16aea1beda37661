#include "gui/CharFilter.h"

namespace tmx7::gui {

CharFilter::CharFilter(Rule accepts, QObject* parent) : QValidator(parent), m_accepts(accepts) {}

QValidator::State CharFilter::validate(QString& input, int& pos) const {
    // Every rule here passes ASCII only, so a surrogate half is always dropped.
    QString kept;
    kept.reserve(input.size());
    int newPos = pos;
    for (int i = 0; i < input.size(); ++i) {
        const QChar c = input.at(i);
        // Backspace is a key, never a character inside the text.
        if (c != QLatin1Char('\b') && m_accepts(c.unicode()))
            kept.append(c);
        else if (i < pos)
            --newPos;
    }
    input = kept;
    pos = newPos;
    return Acceptable;
}

} // namespace tmx7::gui
