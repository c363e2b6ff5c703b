#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

// Runs `dialog` with exec(); once it is the active modal window, `interact` works on it and
// must close it.
inline int RunModal(QDialog& dialog, const std::function<void()>& interact) {
    QTimer::singleShot(0, &dialog, [&] {
        if (QApplication::activeModalWidget() != &dialog) {
            ADD_FAILURE() << "the dialog is not the active modal window";
            dialog.reject();
            return;
        }
        interact();
    });
    return dialog.exec();
}
