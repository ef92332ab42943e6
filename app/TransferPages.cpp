// The File Download and File Upload pages.
#include "app/MainDialog.h"

#include "app/ControlIds.h"
#include "app/PageShared.h"
#include "app/TextUtil.h"
#include "base/Format.h"
#include "base/HexRead.h"
#include "base/ResultCodes.h"

using hxw::Format;
using hxw::ReadHex;
using namespace pages;

void MainDialog::OnBrowseDownload() {
    ExchangeFields(Direction::FromWindow);
    FileDialogRequest request;
    request.filter = "Down load Files (*.hxw;*.fxw;*.pbt)|*.hxw;*.fxw;*.pbt|";
    request.flags = ofn::FileMustExist | ofn::HideReadOnly;
    if (auto path = view_.ChooseFile(request)) Text(IDC_DOWNLOAD_FILE) = *path;
    ExchangeFields(Direction::ToWindow);
}

void MainDialog::OnDownload() {
    ExchangeFields(Direction::FromWindow);
    if (Text(IDC_DOWNLOAD_FILE).empty()) return;
    view_.BeginWaitCursor();
    RunDownload(Text(IDC_DOWNLOAD_FILE));
    view_.RestoreWaitCursor();
    ExchangeFields(Direction::ToWindow);
    view_.EndWaitCursor();
}

bool MainDialog::RunDownload(const std::string& path) {
    const std::string chosen = path;  // path may be the field itself
    Text(IDC_DOWNLOAD_FILE) = chosen;
    const std::string name = FileNamePart(chosen);
    Text(IDC_DOWNLOAD_INFO) = Format("%s file is downloading.", name.c_str());
    ExchangeFields(Direction::ToWindow);

    const uint32_t result = engine_.DownloadFile(chosen, name, view_.ProgressBar(IDC_DOWNLOAD_PROGRESS));
    bool ok = false;
    if (result != 0) {
        ShowError(result);
        Text(IDC_DOWNLOAD_INFO).clear();
        ExchangeFields(Direction::ToWindow);
    } else {
        Text(IDC_DOWNLOAD_INFO) = Format("Download of a %s file was completed.", name.c_str());
        ExchangeFields(Direction::ToWindow);
        settings_.downloadFileName = chosen;
        settings_.Save();
        ok = true;
    }
    ResetProgress(IDC_DOWNLOAD_PROGRESS);
    return ok;
}

void MainDialog::OnDropFiles(const std::vector<std::string>& paths) {
    // Nothing is read from the window first; each file is its own download, and the first
    // failure ends the series.
    for (const std::string& path : paths) {
        if (!RunDownload(path)) break;
    }
}

void MainDialog::OnBrowseUpload() {
    ExchangeFields(Direction::FromWindow);
    FileDialogRequest request;
    request.save = true;
    request.filter = "Up load Files (*.*)|*.*|";
    request.defaultExt = "tmp";
    request.flags = ofn::HideReadOnly;
    if (auto path = view_.ChooseFile(request)) {
        // The unit names the file itself: only the folder of the chosen path is kept.
        Text(IDC_UPLOAD_FOLDER) = FolderPart(*path);
    }
    ExchangeFields(Direction::ToWindow);
}

void MainDialog::OnUpload() {
    ExchangeFields(Direction::FromWindow);
    if (Text(IDC_UPLOAD_FOLDER).empty()) return;
    view_.BeginWaitCursor();
    Text(IDC_UPLOAD_INFO) = "The file is uploaded.";
    ExchangeFields(Direction::ToWindow);

    // A folder typed without its closing separator still means that folder, not a name prefix.
    std::string folder = Text(IDC_UPLOAD_FOLDER);
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    std::string name;
    const uint32_t result = engine_.UploadFile(folder, name, view_.ProgressBar(IDC_UPLOAD_PROGRESS));
    if (result != 0) {
        ShowError(result);
        Text(IDC_UPLOAD_INFO).clear();
        ExchangeFields(Direction::ToWindow);
    } else {
        Text(IDC_UPLOAD_INFO) = Format("Upload of a %s file was completed.", name.c_str());
        ExchangeFields(Direction::ToWindow);
        settings_.uploadFileName = Text(IDC_UPLOAD_FOLDER);
        settings_.Save();
    }
    ResetProgress(IDC_UPLOAD_PROGRESS);
    view_.RestoreWaitCursor();
    view_.EndWaitCursor();
}
