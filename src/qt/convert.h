#pragma once
// Conversions between the logic's values and Qt's: text, system colours, fonts, dates.

#include <QColor>
#include <QDate>
#include <QFont>
#include <QPalette>
#include <QString>

#include <chrono>
#include <string>
#include <string_view>

#include "ui/description.h"

namespace penwick::qt {

QString toQ(std::u16string_view s);
std::u16string fromQ(const QString& s);

// The palette roles that mean what the system colour indices mean.
QColor systemColor(ui::SysColor color, const QPalette& palette);

QFont toQFont(const ui::Font& font);
QDate toQDate(std::chrono::year_month_day d);
std::chrono::year_month_day fromQDate(QDate d);

// A multi-line box's text as the logic sees it: the document's own characters, one for one with
// cursor positions. toPlainText() would also turn no-break spaces into spaces. A line break is
// one "\n" here; a "\r\n" or lone "\r" put into the box comes back as that one character.
std::u16string documentText(QString raw);

}  // namespace penwick::qt
