// The message boxes and the file-open dialog the logic asks for.

#include <QFileDialog>
#include <QMessageBox>

#include "qt/convert.h"
#include "qt/widgets_ui.h"

namespace penwick::qt {

namespace {

// "Description|pattern|..." pairs as Qt's name filters. Qt reads the patterns from the last
// parenthesised group, and "*.*" would miss names without a dot here, so it becomes "*".
QStringList nameFilters(std::u16string_view filter) {
    const QStringList parts = toQ(filter).split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == u"*.*") p = QStringLiteral("*");
        }
        out << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return out;
}

}  // namespace

int QtUi::messageBox(std::u16string_view prompt, int style, std::u16string_view title) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0xF0) {
        case 16:
            icon = QMessageBox::Critical;
            break;
        case 32:
            icon = QMessageBox::Question;
            break;
        case 48:
            icon = QMessageBox::Warning;
            break;
        case 64:
            icon = QMessageBox::Information;
            break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (style & 0x0F) {
        case 1:
            buttons = QMessageBox::Ok | QMessageBox::Cancel;
            break;
        case 3:
            buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            break;
        case 4:
            buttons = QMessageBox::Yes | QMessageBox::No;
            break;
    }
    QString text = toQ(prompt);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // A box without a title of its own bears the program's name.
    const QString caption = toQ(title.empty() ? std::u16string_view(u"Penwick") : title);
    QMessageBox box(icon, caption, text, buttons, activeOwner());
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return ui::kAnswerOk;
        case QMessageBox::Cancel:
            return 2;
        case QMessageBox::Yes:
            return ui::kAnswerYes;
        case QMessageBox::No:
            return ui::kAnswerNo;
        default:
            return (style & 0x0F) == 4 ? ui::kAnswerNo : 2;  // Esc or the close box
    }
}

std::optional<std::u16string> QtUi::openFile(const ui::FileDialogRequest& request,
                                             ui::Window* owner) {
    QFileDialog dialog(owner ? widgetOf(*owner) : activeOwner(), toQ(request.title),
                       toQ(request.initialFolder));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFilters(request.filter));
    // Shown as the logic names them; the patterns Qt reads stay out of sight.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return fromQ(dialog.selectedFiles().constFirst());
}

}  // namespace penwick::qt
