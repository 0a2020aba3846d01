#include "qt/fonts.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "qt/convert.h"

namespace penwick::qt {

namespace {

struct StandIn {
    const char16_t* family = nullptr;  // none: the list ends before
    double scale = 1.0;                // of the point size
};

struct FaceMapping {
    std::u16string_view face;
    std::array<StandIn, 3> choices;  // the first installed one draws the face
};

// Liberation Sans has Arial's widths, and Wine's own Tahoma and MS Sans Serif have those of the
// Windows faces. Verdana has no such twin; DejaVu Sans, from the same broad, open kind of
// design, comes nearest and fits the controls at the same size. Later choices stand in when
// the first is not installed.
constexpr std::array kFaces{
    FaceMapping{u"Arial", {StandIn{u"Liberation Sans", 1.0}, StandIn{u"DejaVu Sans", 0.9}, {}}},
    FaceMapping{
        u"Tahoma",
        {StandIn{u"Tahoma", 1.0}, StandIn{u"Liberation Sans", 0.95}, StandIn{u"DejaVu Sans", 0.9}}},
    FaceMapping{u"MS Sans Serif",
                {StandIn{u"MS Sans Serif", 1.0}, StandIn{u"Tahoma", 1.0},
                 StandIn{u"Liberation Sans", 1.0}}},
    FaceMapping{u"Verdana", {StandIn{u"DejaVu Sans", 1.0}, StandIn{u"Liberation Sans", 1.0}, {}}},
};

struct FaceFiles {
    const char16_t* family;
    std::array<const char*, 2> files;
};

// Arial Narrow's twin, for texts that need the room; DejaVu's condensed face where it is missing.
constexpr std::array kNarrowFaces{u"Liberation Sans Narrow", u"DejaVu Sans Condensed"};

constexpr std::array kFaceFiles{
    FaceFiles{u"Tahoma", {"tahoma.ttf", "tahomabd.ttf"}},
    FaceFiles{u"MS Sans Serif", {"ms_sans_serif.ttf", nullptr}},
};

// The stand-in chosen for each face, once: asking fontconfig whether a family is installed
// takes a substitution pass each time, and a window asks for the same few faces again and
// again. Forgotten when faces are added.
struct Chosen {
    QString family;
    double scale = 1.0;
};
std::vector<std::pair<std::u16string, Chosen>>& chosenFaces() {
    static std::vector<std::pair<std::u16string, Chosen>> chosen;
    return chosen;
}

Chosen choose(std::u16string_view face) {
    for (const FaceMapping& mapping : kFaces) {
        if (mapping.face != face) continue;
        for (const StandIn& choice : mapping.choices) {
            if (choice.family == nullptr) break;
            const QString candidate = QString::fromUtf16(choice.family);
            if (QFontDatabase::hasFamily(candidate)) return {candidate, choice.scale};
        }
        break;
    }
    return {toQ(face), 1.0};
}

}  // namespace

QString defaultFaceFolder() {
    return QStringLiteral("/usr/share/wine/fonts");
}

int loadFaceFiles(const QString& folder) {
    const QDir dir(folder);
    int added = 0;
    for (const FaceFiles& face : kFaceFiles) {
        // Installed already (the real face, or loaded by an earlier front end): nothing to add.
        if (QFontDatabase::hasFamily(QString::fromUtf16(face.family))) continue;
        for (const char* file : face.files) {
            if (file == nullptr) continue;
            const QString path = dir.filePath(QString::fromLatin1(file));
            if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0) ++added;
        }
    }
    if (added > 0) chosenFaces().clear();
    return added;
}

QFont toQFont(const ui::Font& font) {
    auto& chosen = chosenFaces();
    auto known = std::find_if(chosen.begin(), chosen.end(),
                              [&](const auto& entry) { return entry.first == font.face; });
    if (known == chosen.end()) known = chosen.insert(chosen.end(), {font.face, choose(font.face)});
    const Chosen& face = known->second;
    QFont f(face.family);
    f.setPointSizeF(font.points * face.scale);
    f.setBold(font.bold);
    f.setUnderline(font.underline);
    return f;
}

QFont fittingFont(const QFont& font, const QStringList& texts, int room) {
    const auto fits = [&](const QFont& f) {
        const QFontMetrics metrics(f);
        return std::all_of(texts.begin(), texts.end(),
                           [&](const QString& t) { return metrics.horizontalAdvance(t) <= room; });
    };
    if (fits(font)) return font;
    QFont narrow = font;
    for (const char16_t* face : kNarrowFaces) {
        if (!QFontDatabase::hasFamily(QString::fromUtf16(face))) continue;
        narrow.setFamily(QString::fromUtf16(face));
        break;
    }
    // The same pixel size: a bitmap face's point size says little about its height.
    int pixels = QFontInfo(font).pixelSize();
    for (; pixels > 6; --pixels) {
        narrow.setPixelSize(pixels);
        if (fits(narrow)) break;
    }
    return narrow;
}

}  // namespace penwick::qt
