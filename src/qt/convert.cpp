#include "qt/convert.h"

namespace penwick::qt {

using ui::SysColor;

QString toQ(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
std::u16string fromQ(const QString& s) {
    return s.toStdU16String();
}

QColor systemColor(SysColor color, const QPalette& palette) {
    switch (color) {
        case SysColor::Menu:
            return palette.color(QPalette::Window);
        case SysColor::Window:
            return palette.color(QPalette::Base);
        case SysColor::WindowText:
            return palette.color(QPalette::Text);
        case SysColor::AppWorkspace:
            return palette.color(QPalette::Dark);
        case SysColor::ButtonFace:
            return palette.color(QPalette::Button);
        case SysColor::GrayText:
            return palette.color(QPalette::Disabled, QPalette::WindowText);
    }
    return palette.color(QPalette::Window);
}

QFont toQFont(const ui::Font& font) {
    QFont f(toQ(font.face));
    f.setPointSizeF(font.points);
    f.setBold(font.bold);
    f.setUnderline(font.underline);
    return f;
}

QDate toQDate(std::chrono::year_month_day d) {
    return QDate(static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
                 static_cast<int>(static_cast<unsigned>(d.day())));
}

std::chrono::year_month_day fromQDate(QDate d) {
    return std::chrono::year_month_day{std::chrono::year{d.year()},
                                       std::chrono::month{static_cast<unsigned>(d.month())},
                                       std::chrono::day{static_cast<unsigned>(d.day())}};
}

std::u16string documentText(QString raw) {
    for (QChar& c : raw)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
    return fromQ(raw);
}

}  // namespace penwick::qt
