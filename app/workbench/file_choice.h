#pragma once

// The file dialogs of the workbench go through one hook, as message boxes do,
// so that tests choose files without a modal dialog.

#include <QString>

#include <functional>

class QWidget;

namespace tilvane {

struct FileRequest {
    QWidget *parent = nullptr;
    QString caption;
    QString filters;          // ";;"-separated
    QString selected_filter;  // the one chosen at first
    QString directory;
    bool save = false;
};

struct FileChoice {
    QString path;  // empty when the operator cancelled
    QString filter;
};

using FileChooserHook = std::function<FileChoice(const FileRequest &)>;

// Replaces the dialogs; an empty hook restores them.
void SetFileChooserHook(FileChooserHook hook);
FileChoice ChooseFile(const FileRequest &request);

}  // namespace tilvane
