#include "qt/convert.h"

#include <algorithm>
#include <cmath>

namespace penwick::qt {

using ui::SysColor;

namespace {

// The WCAG contrast needed by normal-sized text.
constexpr double kReadableContrast = 4.5;

double channel(double c) {
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// Moves a grey toward the palette's text colour until it reads on both backgrounds the system
// colours are drawn on: themes' disabled greys are often far too pale for text that matters.
QColor readable(QColor grey, const QPalette& palette) {
    const QColor text = palette.color(QPalette::WindowText);
    const QColor backgrounds[] = {palette.color(QPalette::Window), palette.color(QPalette::Button)};
    for (int step = 0; step <= 64; ++step) {
        const double t = step / 64.0;
        const QColor mixed = QColor::fromRgbF(
            static_cast<float>(grey.redF() + (text.redF() - grey.redF()) * t),
            static_cast<float>(grey.greenF() + (text.greenF() - grey.greenF()) * t),
            static_cast<float>(grey.blueF() + (text.blueF() - grey.blueF()) * t));
        bool reads = true;
        for (const QColor& background : backgrounds)
            reads = reads && contrastRatio(mixed, background) >= kReadableContrast;
        if (reads) return mixed;
    }
    return text;
}

}  // namespace

double relativeLuminance(const QColor& c) {
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

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
            return readable(palette.color(QPalette::Dark), palette);
        case SysColor::ButtonFace:
            return palette.color(QPalette::Button);
        case SysColor::GrayText:
            return readable(palette.color(QPalette::Disabled, QPalette::WindowText), palette);
    }
    return palette.color(QPalette::Window);
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
