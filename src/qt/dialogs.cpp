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

ui::MessageAnswer QtUi::messageBox(std::u16string_view prompt, ui::MessageStyle style,
                                   std::u16string_view title) {
    const bool critical = style == ui::MessageStyle::CriticalOk;
    const bool question = style == ui::MessageStyle::InformationYesNo;
    const bool retry = style == ui::MessageStyle::ExclamationRetryCancel;
    const QMessageBox::Icon icon = critical ? QMessageBox::Critical
                                   : retry  ? QMessageBox::Warning
                                            : QMessageBox::Information;
    const QMessageBox::StandardButtons buttons = question ? QMessageBox::Yes | QMessageBox::No
                                                 : retry  ? QMessageBox::Retry | QMessageBox::Cancel
                                                          : QMessageBox::Ok;
    QString text = toQ(prompt);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // A box without a title of its own bears the program's name.
    const QString caption = toQ(title.empty() ? std::u16string_view(u"Penwick") : title);
    QMessageBox box(icon, caption, text, buttons, activeOwner());
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return ui::MessageAnswer::Ok;
        case QMessageBox::Yes:
            return ui::MessageAnswer::Yes;
        case QMessageBox::No:
            return ui::MessageAnswer::No;
        case QMessageBox::Retry:
            return ui::MessageAnswer::Retry;
        default:  // Esc or the close box
            return question ? ui::MessageAnswer::No : ui::MessageAnswer::Cancel;
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
