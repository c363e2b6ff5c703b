#include "FileAsker.h"

#include <QFileDialog>

namespace {

FileAsker* g_installed = nullptr;

}  // namespace

std::optional<FileAsker::Answer> FileAsker::Ask(QWidget* owner, const Request& request) {
    static FileDialogAsker fallback;
    FileAsker& asker = g_installed != nullptr ? *g_installed : fallback;
    return asker.Show(owner, request);
}

void FileAsker::Install(FileAsker* asker) {
    g_installed = asker;
}

std::optional<FileAsker::Answer> FileDialogAsker::Show(QWidget* owner, const Request& request) {
    const QString filters = request.filters.join(QStringLiteral(";;"));
    QString chosen = request.filters.value(request.filter);
    // Without filters the dialog is given no choice to report.
    QString* selected = request.filters.isEmpty() ? nullptr : &chosen;
    QString path;
    if (request.purpose == Purpose::Open) {
        path =
            QFileDialog::getOpenFileName(owner, request.caption, request.path, filters, selected);
    } else {
        const QFileDialog::Options options =
            request.confirmOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
        path = QFileDialog::getSaveFileName(owner, request.caption, request.path, filters, selected,
                                            options);
    }
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const qsizetype filter = request.filters.indexOf(chosen);
    return Answer{path, filter < 0 ? 0 : static_cast<int>(filter)};
}
