#include "workbench/file_choice.h"

#include <QFileDialog>

namespace tilvane {

namespace {

FileChooserHook &Hook() {
    static FileChooserHook hook;
    return hook;
}

}  // namespace

void SetFileChooserHook(FileChooserHook hook) { Hook() = std::move(hook); }

FileChoice ChooseFile(const FileRequest &request) {
    if (Hook()) return Hook()(request);
    FileChoice choice;
    choice.filter = request.selected_filter;
    choice.path =
        request.save
            ? QFileDialog::getSaveFileName(request.parent, request.caption, request.directory,
                                           request.filters, &choice.filter)
            : QFileDialog::getOpenFileName(request.parent, request.caption, request.directory,
                                           request.filters, &choice.filter);
    return choice;
}

}  // namespace tilvane
