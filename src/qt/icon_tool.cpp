// Writes the program's icon as PNG files for the desktop's icon theme, from the same drawing
// as the main window's icon: penwick-icon FOLDER SIZE... writes FOLDER/SIZExSIZE/penwick.png.

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

#include "qt/images.h"

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: penwick-icon FOLDER SIZE...\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        bool number = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&number);
        if (!number || size < 16 || size > 1024) {
            std::fprintf(stderr, "penwick-icon: %s is not a size from 16 to 1024\n", argv[i]);
            return 2;
        }
        const QString sub = QStringLiteral("%1x%1").arg(size);
        const QString file = folder + QLatin1Char('/') + sub + QStringLiteral("/penwick.png");
        if (!QDir(folder).mkpath(sub) || !penwick::qt::mainIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "penwick-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
