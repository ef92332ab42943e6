#include "app/MainDialog.h"

#include <iterator>

#include "app/ControlIds.h"
#include "base/ResultCodes.h"
#include "app/TextUtil.h"
#include "base/Format.h"
#include "base/HexRead.h"

using hxw::Format;
using hxw::ReadHex;

namespace {
// Hxw file types and domain settings as the page holds them.
constexpr uint8_t Normal = 0, Series720 = 1, Series4500 = 3, Byte4Mode = 4, Byte8Mode = 8;
constexpr uint32_t Auto = 0, Manual = 1;

struct Placement {
    int id;
    int x, y, width, height;
};

// Each page's controls in the order they are shown and moved, and the group box that holds them
// in the template (never shown).
constexpr Placement kConversionPage[] = {
    {IDC_HEX_FILE_LABEL, 25, 49, 130, 12},    {IDC_HEX_FILE, 100, 45, 280, 18},
    {IDC_HEX_BROWSE, 390, 44, 80, 20},        {IDC_TYPE_LABEL, 25, 80, 130, 12},
    {IDC_TYPE_NORMAL, 125, 80, 80, 12},       {IDC_TYPE_720, 225, 80, 80, 12},
    {IDC_TYPE_4500, 325, 80, 80, 12},         {IDC_TYPE_4BYTE, 125, 97, 80, 12},
    {IDC_TYPE_8BYTE, 225, 97, 80, 12},        {IDC_HXW_FILE_LABEL, 25, 119, 130, 12},
    {IDC_HXW_FILE, 100, 115, 280, 18},        {IDC_HXW_BROWSE, 390, 114, 80, 20},
    {IDC_DOMAIN_GROUP, 25, 150, 445, 63},     {IDC_DOMAIN_TYPE_LABEL, 35, 167, 130, 12},
    {IDC_DOMAIN_AUTO, 155, 167, 80, 12},      {IDC_DOMAIN_MANUAL, 235, 167, 80, 12},
    {IDC_DOMAIN_LABEL, 35, 188, 130, 12},     {IDC_DOMAIN_START, 155, 185, 75, 18},
    {IDC_DOMAIN_DASH, 238, 188, 24, 12},      {IDC_DOMAIN_END, 252, 185, 75, 18},
    {IDC_DOMAIN_RANGE, 335, 188, 130, 12},    {IDC_CONVERT_INFO, 25, 220, 400, 11},
    {IDC_CONVERT_PROGRESS, 25, 237, 355, 16}, {IDC_CONVERT, 390, 236, 80, 20},
};

constexpr Placement kChecksumPage[] = {
    {IDC_CHECKSUM_FILE_LABEL, 25, 49, 130, 12},
    {IDC_CHECKSUM_FILE, 100, 45, 280, 18},
    {IDC_CHECKSUM_BROWSE, 390, 44, 80, 20},
    {IDC_CS_TYPE_GROUP, 25, 70, 445, 70},
    {IDC_CS_SUM, 35, 87, 140, 12},
    {IDC_CS_ONES, 35, 104, 400, 12},
    {IDC_CS_CRC, 35, 121, 210, 12},
    {IDC_CRC_INIT_LABEL, 280, 121, 100, 11},
    {IDC_CRC_INIT, 390, 117, 70, 18},
    {IDC_CS_DOMAIN_GROUP, 25, 147, 445, 63},
    {IDC_CS_DOMAIN_TYPE_LABEL, 35, 164, 130, 12},
    {IDC_CS_DOMAIN_AUTO, 155, 164, 80, 12},
    {IDC_CS_DOMAIN_MANUAL, 235, 164, 80, 12},
    {IDC_CS_DOMAIN_LABEL, 35, 190, 130, 12},
    {IDC_CS_DOMAIN_START, 155, 187, 75, 18},
    {IDC_CS_DOMAIN_DASH, 238, 190, 24, 12},
    {IDC_CS_DOMAIN_END, 252, 187, 75, 18},
    {IDC_CHECKSUM_INFO, 25, 220, 400, 11},
    {IDC_CHECKSUM, 390, 237, 80, 20},
};

constexpr Placement kDownloadPage[] = {
    {IDC_DOWNLOAD_FILE_LABEL, 25, 49, 120, 12}, {IDC_DOWNLOAD_FILE, 120, 45, 260, 18},
    {IDC_DOWNLOAD_BROWSE, 390, 44, 80, 20},     {IDC_DOWNLOAD_INFO, 25, 65, 355, 11},
    {IDC_DOWNLOAD_PROGRESS, 25, 80, 355, 16},   {IDC_DOWNLOAD, 390, 78, 80, 20},
};

constexpr Placement kUploadPage[] = {
    {IDC_UPLOAD_FOLDER_LABEL, 25, 49, 120, 12}, {IDC_UPLOAD_FOLDER, 120, 45, 260, 18},
    {IDC_UPLOAD_BROWSE, 390, 44, 80, 20},       {IDC_UPLOAD_INFO, 25, 65, 355, 11},
    {IDC_UPLOAD_PROGRESS, 25, 80, 355, 16},     {IDC_UPLOAD, 390, 78, 80, 20},
};

constexpr Placement kSecurityPage[] = {
    {IDC_SECURITY_LABEL, 25, 45, 130, 12}, {IDC_SECURITY_CANCEL, 150, 45, 80, 12},
    {IDC_SECURITY_SET, 230, 45, 80, 12},   {IDC_ID_CODE_LABEL, 25, 80, 130, 12},
    {IDC_ID_CODE, 150, 77, 50, 18},        {IDC_COUNT_LABEL, 25, 115, 130, 12},
    {IDC_COUNT, 150, 112, 50, 18},         {IDC_BUZZER_LABEL, 25, 150, 130, 12},
    {IDC_BUZZER_ON, 150, 150, 80, 12},     {IDC_BUZZER_OFF, 230, 150, 80, 12},
    {IDC_SECURITY_INFO, 25, 188, 350, 12}, {IDC_SECURITY_DOWNLOAD, 390, 185, 80, 20},
};

struct Page {
    int groupBox;
    const Placement* begin;
    const Placement* end;
};

const Page kPages[] = {
    {IDC_GROUP_CONVERT, std::begin(kConversionPage), std::end(kConversionPage)},
    {IDC_GROUP_CHECKSUM, std::begin(kChecksumPage), std::end(kChecksumPage)},
    {IDC_GROUP_DOWNLOAD, std::begin(kDownloadPage), std::end(kDownloadPage)},
    {IDC_GROUP_UPLOAD, std::begin(kUploadPage), std::end(kUploadPage)},
    {IDC_GROUP_SECURITY, std::begin(kSecurityPage), std::end(kSecurityPage)},
};

constexpr const char* kTabTexts[] = {"Hxw File Exchange", "File Check Sum", "File Download", "File Upload",
                                     "Security"};

constexpr const char* kErrorCaption = "Error";
constexpr const char* kWindowCaption = "Tessmark";

bool IsWordMode(uint8_t type) { return type == Byte4Mode || type == Byte8Mode; }

// The page's sum word for a type: "Checksum" for the byte images, "Datasum" for the series.
const char* SumLineFormat(uint8_t type) {
    switch (type) {
        case Normal:
        case Byte4Mode:
        case Byte8Mode:
            return "  Checksum :%04Xh.";
        case Series720:
        case Series4500:
            return "  Datasum :%04Xh.";
        default:
            return nullptr;
    }
}
}  // namespace

MainDialog::MainDialog(DialogView& view, PageEngine& engine, const std::string& exeFolder)
    : view_(view),
      engine_(engine),
      fields_{
          {IDC_DOWNLOAD_FILE, 0, {}}, {IDC_HEX_FILE, 0, {}},        {IDC_HXW_FILE, 0, {}},
          {IDC_UPLOAD_FOLDER, 0, {}}, {IDC_UPLOAD_INFO, 0, {}},     {IDC_DOWNLOAD_INFO, 0, {}},
          {IDC_CONVERT_INFO, 0, {}},  {IDC_DOMAIN_RANGE, 0, {}},    {IDC_DOMAIN_END, 8, {}},
          {IDC_DOMAIN_START, 8, {}},  {IDC_CHECKSUM_FILE, 0, {}},   {IDC_CHECKSUM_INFO, 0, {}},
          {IDC_CRC_INIT, 4, {}},      {IDC_CS_DOMAIN_START, 8, {}}, {IDC_CS_DOMAIN_END, 8, {}},
          {IDC_ID_CODE, 4, {}},       {IDC_COUNT, 5, {}},           {IDC_SECURITY_INFO, 0, {}},
      },
      settings_(exeFolder) {}

MainDialog::~MainDialog() = default;

std::string& MainDialog::Text(int id) {
    for (TextField& field : fields_) {
        if (field.id == id) return field.text;
    }
    static std::string none;  // never reached: every caller names one of the eighteen fields
    none.clear();
    return none;
}

const std::string& MainDialog::Field(int id) const {
    for (const TextField& field : fields_) {
        if (field.id == id) return field.text;
    }
    static const std::string none;
    return none;
}

bool MainDialog::ExchangeFields(Direction direction) {
    for (TextField& field : fields_) {
        if (direction == Direction::ToWindow) {
            view_.SetText(field.id, field.text);
            if (field.limit != 0) view_.LimitText(field.id, field.limit);
            continue;
        }
        field.text = view_.GetText(field.id);
        if (field.limit != 0 && field.text.size() > field.limit) {
            // The rest of the fields are not read: the transfer stops here.
            view_.ShowMessage(Format("Please enter no more than %u characters.", field.limit), kWindowCaption,
                              mb::Ok | mb::IconExclamation);
            return false;
        }
    }
    return true;
}

void MainDialog::ShowError(uint32_t code) {
    std::string text;
    ResultMessage(text, code);
    view_.ShowMessage(text, kErrorCaption, mb::Ok);
}

void MainDialog::ResetProgress(int id) {
    Progress& progress = view_.ProgressBar(id);
    progress.SetRange(0, 100);
    progress.SetPos(0);
}

// ---------------------------------------------------------------- start-up and dispatch

bool MainDialog::OnInitDialog() {
    ExchangeFields(Direction::ToWindow);

    view_.ResizeWindow(500, 305);
    view_.MoveControl(IDC_TAB, 10, 10, 475, 260);
    for (int index = 0; index < 5; ++index) view_.InsertTabItem(IDC_TAB, index, kTabTexts[index]);

    if (settings_.Load()) {
        Text(IDC_HEX_FILE) = settings_.hexFileName;
        hxwFileType_ = settings_.hxwFileType;
        Text(IDC_HXW_FILE) = settings_.hxwFileName;
        conversionDomain_ = settings_.hxwDomainType;
        Text(IDC_DOMAIN_START) = Format("%06X", settings_.hxwDomainStart);
        Text(IDC_DOMAIN_END) = Format("%06X", settings_.hxwDomainEnd);
        Text(IDC_CHECKSUM_FILE) = settings_.checkSumFileName;
        Text(IDC_CRC_INIT) = Format("%04X", settings_.crcInitialValue);
        // One's complement cannot be chosen on the page; a stored one becomes the sum total.
        if (settings_.checkSumType == 1) settings_.checkSumType = 0;
        checkSumType_ = settings_.checkSumType;
        checkSumDomain_ = settings_.checkSumDomainType;
        Text(IDC_CS_DOMAIN_START) = Format("%06X", settings_.checkSumDomainStart);
        Text(IDC_CS_DOMAIN_END) = Format("%06X", settings_.checkSumDomainEnd);
        Text(IDC_DOWNLOAD_FILE) = settings_.downloadFileName;
        Text(IDC_UPLOAD_FOLDER) = settings_.uploadFileName;
    } else {
        Text(IDC_HEX_FILE).clear();
        Text(IDC_HXW_FILE).clear();
        Text(IDC_CHECKSUM_FILE).clear();
        Text(IDC_DOWNLOAD_FILE).clear();
        Text(IDC_UPLOAD_FOLDER).clear();
        hxwFileType_ = Normal;
        conversionDomain_ = Auto;
        Text(IDC_DOMAIN_START) = "000000";
        Text(IDC_DOMAIN_END) = "000000";
        Text(IDC_CS_DOMAIN_START) = "000000";
        Text(IDC_CS_DOMAIN_END) = "000000";
        Text(IDC_CRC_INIT) = "FFFF";
        checkSumType_ = 0;
        checkSumDomain_ = 0;
    }

    securityFlag_ = 0;
    Text(IDC_ID_CODE).clear();
    Text(IDC_COUNT).clear();
    buzzerFlag_ = 1;
    Text(IDC_SECURITY_INFO).clear();

    // The refreshes begin by reading the controls back into the fields; the controls must hold
    // what was just loaded, or the loaded names and addresses would be replaced by empty text.
    ExchangeFields(Direction::ToWindow);

    RefreshTypeRadios();
    RefreshDomain();
    RefreshChecksumType();
    RefreshChecksumDomain();
    RefreshSecurityRadios();
    RefreshBuzzerRadios();

    // The tab control selected its first item when the items went in; a page number without a
    // tab must leave none selected, or that tab would look chosen over an empty pane and a click
    // on it would not change the page.
    const bool hasTab = settings_.tabId < std::size(kPages);
    view_.SetCurSel(IDC_TAB, hasTab ? settings_.tabId : -1);
    for (int page = 0; page < 5; ++page) ShowPage(page, page == settings_.tabId);

    ExchangeFields(Direction::ToWindow);
    return true;
}

bool MainDialog::OnCommand(int id) {
    switch (id) {
        case IDC_HEX_BROWSE:
            OnBrowseHex();
            break;
        case IDC_HXW_BROWSE:
            OnBrowseHxw();
            break;
        case IDC_CONVERT:
            OnConvert();
            break;
        case IDC_TYPE_NORMAL:
            hxwFileType_ = Normal;
            RefreshTypeRadios();
            break;
        case IDC_TYPE_720:
            hxwFileType_ = Series720;
            RefreshTypeRadios();
            break;
        case IDC_TYPE_4500:
            hxwFileType_ = Series4500;
            RefreshTypeRadios();
            break;
        case IDC_TYPE_4BYTE:
            hxwFileType_ = Byte4Mode;
            RefreshTypeRadios();
            break;
        case IDC_TYPE_8BYTE:
            hxwFileType_ = Byte8Mode;
            RefreshTypeRadios();
            break;
        case IDC_DOMAIN_AUTO:
            conversionDomain_ = Auto;
            RefreshDomain();
            break;
        case IDC_DOMAIN_MANUAL:
            conversionDomain_ = Manual;
            RefreshDomain();
            break;

        case IDC_DOWNLOAD:
            OnDownload();
            break;
        case IDC_DOWNLOAD_BROWSE:
            OnBrowseDownload();
            break;
        case IDC_UPLOAD_BROWSE:
            OnBrowseUpload();
            break;
        case IDC_UPLOAD:
            OnUpload();
            break;

        case IDC_CHECKSUM_BROWSE:
            OnBrowseCheckSumFile();
            break;
        case IDC_CHECKSUM:
            OnCheckSum();
            break;
        case IDC_CS_SUM:
            checkSumType_ = 0;
            RefreshChecksumType();
            break;
        case IDC_CS_ONES:
            checkSumType_ = 1;
            RefreshChecksumType();
            break;
        case IDC_CS_CRC:
            checkSumType_ = 2;
            RefreshChecksumType();
            break;
        case IDC_CS_DOMAIN_AUTO:
            checkSumDomain_ = 0;
            RefreshChecksumDomain();
            break;
        case IDC_CS_DOMAIN_MANUAL:
            checkSumDomain_ = 1;
            RefreshChecksumDomain();
            break;

        case IDC_SECURITY_CANCEL:
            securityFlag_ = 0;
            RefreshSecurityRadios();
            break;
        case IDC_SECURITY_SET:
            securityFlag_ = 1;
            RefreshSecurityRadios();
            break;
        case IDC_BUZZER_ON:
            buzzerFlag_ = 1;
            RefreshBuzzerRadios();
            break;
        case IDC_BUZZER_OFF:
            buzzerFlag_ = 0;
            RefreshBuzzerRadios();
            break;
        case IDC_SECURITY_DOWNLOAD:
            OnSecurityDownload();
            break;
        default:
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- pages

void MainDialog::ShowPage(int page, bool show) {
    if (page < 0 || page >= static_cast<int>(std::size(kPages))) return;
    const Page& p = kPages[page];
    view_.Show(p.groupBox, false);
    if (!show) {
        for (const Placement* c = p.begin; c != p.end; ++c) view_.Show(c->id, false);
        return;
    }
    for (const Placement* c = p.begin; c != p.end; ++c) view_.Show(c->id, true);
    for (const Placement* c = p.begin; c != p.end; ++c)
        view_.MoveControl(c->id, c->x, c->y, c->width, c->height);
}

void MainDialog::ShowConversionPage(bool show) { ShowPage(0, show); }
void MainDialog::ShowChecksumPage(bool show) { ShowPage(1, show); }
void MainDialog::ShowDownloadPage(bool show) { ShowPage(2, show); }
void MainDialog::ShowUploadPage(bool show) { ShowPage(3, show); }
void MainDialog::ShowSecurityPage(bool show) { ShowPage(4, show); }

intptr_t MainDialog::OnTabChange() {
    for (int page = 0; page < 5; ++page) ShowPage(page, false);
    settings_.tabId = static_cast<uint8_t>(view_.GetCurSel(IDC_TAB) & 0xFF);
    ShowPage(settings_.tabId, true);
    settings_.Save();
    return 0;
}

// ---------------------------------------------------------------- Hxw File Exchange

void MainDialog::OnBrowseHex() {
    ExchangeFields(Direction::FromWindow);
    FileDialogRequest request;
    request.filter = "HEX Files (*.hex;*.s;*.mot)|*.hex;*.s;*.mot|";
    request.flags = ofn::FileMustExist | ofn::HideReadOnly;
    if (auto path = view_.ChooseFile(request)) Text(IDC_HEX_FILE) = *path;
    ExchangeFields(Direction::ToWindow);
}

void MainDialog::OnBrowseHxw() {
    ExchangeFields(Direction::FromWindow);
    FileDialogRequest request;
    request.save = true;
    request.filter = "HXW Files (*.hxw;*.fxw)|*.hxw;*.fxw|";
    request.flags = ofn::OverwritePrompt | ofn::HideReadOnly;
    if (auto path = view_.ChooseFile(request)) Text(IDC_HXW_FILE) = *path;
    ExchangeFields(Direction::ToWindow);
}

void MainDialog::RefreshTypeRadios() {
    ExchangeFields(Direction::FromWindow);
    // Exactly one is checked; a stored type outside the five shows as Normal and stays as it is.
    int chosen = IDC_TYPE_NORMAL;
    if (hxwFileType_ == Series720) chosen = IDC_TYPE_720;
    if (hxwFileType_ == Series4500) chosen = IDC_TYPE_4500;
    if (hxwFileType_ == Byte4Mode) chosen = IDC_TYPE_4BYTE;
    if (hxwFileType_ == Byte8Mode) chosen = IDC_TYPE_8BYTE;
    for (int id : {IDC_TYPE_NORMAL, IDC_TYPE_720, IDC_TYPE_4500, IDC_TYPE_4BYTE, IDC_TYPE_8BYTE}) {
        view_.SetCheck(id, id == chosen);
    }
    if (IsWordMode(hxwFileType_)) conversionDomain_ = Auto;
    RefreshDomain();
    ExchangeFields(Direction::ToWindow);
}

void MainDialog::RefreshDomain() {
    ExchangeFields(Direction::FromWindow);
    // The word modes take the Auto domain only.
    if (IsWordMode(hxwFileType_)) conversionDomain_ = Auto;
    if (conversionDomain_ == Auto) {
        view_.SetCheck(IDC_DOMAIN_AUTO, true);
        view_.SetCheck(IDC_DOMAIN_MANUAL, false);
        view_.Enable(IDC_DOMAIN_START, false);
        view_.Enable(IDC_DOMAIN_END, false);
    } else if (conversionDomain_ == Manual) {
        view_.SetCheck(IDC_DOMAIN_AUTO, false);
        view_.SetCheck(IDC_DOMAIN_MANUAL, true);
        view_.Enable(IDC_DOMAIN_START, true);
        view_.Enable(IDC_DOMAIN_END, true);
    }
    view_.Enable(IDC_DOMAIN_AUTO, true);
    view_.Enable(IDC_DOMAIN_MANUAL, !IsWordMode(hxwFileType_));

    uint32_t limit = 0xFFFFFFFF;
    if (hxwFileType_ == Series720) limit = 0xFFF;
    if (hxwFileType_ == Series4500) limit = 0x3FFF;
    Text(IDC_DOMAIN_RANGE) = Format("(000000h-%06Xh)", limit);

    if (conversionDomain_ == Auto) {
        Text(IDC_DOMAIN_START).clear();
        Text(IDC_DOMAIN_END).clear();
    }
    ExchangeFields(Direction::ToWindow);
}

void MainDialog::OnConvert() {
    ExchangeFields(Direction::FromWindow);
    if (Text(IDC_HEX_FILE).empty() || Text(IDC_HXW_FILE).empty()) return;
    if (conversionDomain_ == Manual && (Text(IDC_DOMAIN_START).empty() || Text(IDC_DOMAIN_END).empty()))
        return;

    view_.BeginWaitCursor();
    const std::string name = FileNamePart(Text(IDC_HXW_FILE));
    Text(IDC_CONVERT_INFO) = Format("It changes into a %s file.", name.c_str());
    ExchangeFields(Direction::ToWindow);

    const uint32_t start = ReadHex(Text(IDC_DOMAIN_START));
    const uint32_t end = ReadHex(Text(IDC_DOMAIN_END));
    const uint32_t result = engine_.CreateHxwFile(Text(IDC_HEX_FILE), Text(IDC_HXW_FILE), hxwFileType_,
                                                  static_cast<uint8_t>(conversionDomain_), start, end,
                                                  view_.ProgressBar(IDC_CONVERT_PROGRESS));
    if (result != 0) {
        ShowError(result);
        Text(IDC_CONVERT_INFO).clear();
        ExchangeFields(Direction::ToWindow);
    } else {
        std::string line = Format("Creation of a %s file was completed.", name.c_str());
        if (const char* sum = SumLineFormat(hxwFileType_)) line += Format(sum, engine_.LastCheckSum());
        Text(IDC_CONVERT_INFO) = line;
        ExchangeFields(Direction::ToWindow);

        settings_.hexFileName = Text(IDC_HEX_FILE);
        settings_.hxwFileType = hxwFileType_;
        settings_.hxwFileName = Text(IDC_HXW_FILE);
        settings_.hxwDomainType = conversionDomain_;
        settings_.hxwDomainStart = start;
        settings_.hxwDomainEnd = end;
        settings_.Save();
    }
    view_.RestoreWaitCursor();
    ResetProgress(IDC_CONVERT_PROGRESS);
    view_.EndWaitCursor();
}

// ---------------------------------------------------------------- File Download, File Upload

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

// ---------------------------------------------------------------- File Check Sum

void MainDialog::OnBrowseCheckSumFile() {
    ExchangeFields(Direction::FromWindow);
    FileDialogRequest request;
    request.filter = "HXW Files (*.hxw;*.fxw)|*.hxw;*.fxw|";
    request.flags = ofn::FileMustExist | ofn::HideReadOnly;
    if (auto path = view_.ChooseFile(request)) Text(IDC_CHECKSUM_FILE) = *path;
    ExchangeFields(Direction::ToWindow);
}

void MainDialog::RefreshChecksumType() {
    ExchangeFields(Direction::FromWindow);
    // One's complement is never offered.
    view_.Enable(IDC_CS_ONES, false);
    if (checkSumType_ == 1) {
        view_.SetCheck(IDC_CS_ONES, true);
        view_.SetCheck(IDC_CS_SUM, false);
        view_.SetCheck(IDC_CS_CRC, false);
        view_.Enable(IDC_CRC_INIT_LABEL, false);
        view_.Enable(IDC_CRC_INIT, false);
    } else if (checkSumType_ == 2) {
        view_.SetCheck(IDC_CS_CRC, true);
        view_.SetCheck(IDC_CS_SUM, false);
        view_.SetCheck(IDC_CS_ONES, false);
        view_.Enable(IDC_CRC_INIT_LABEL, true);
        view_.Enable(IDC_CRC_INIT, true);
    } else {
        // The sum total always covers the whole file.
        view_.SetCheck(IDC_CS_SUM, true);
        view_.SetCheck(IDC_CS_ONES, false);
        view_.SetCheck(IDC_CS_CRC, false);
        view_.Enable(IDC_CRC_INIT_LABEL, false);
        view_.Enable(IDC_CRC_INIT, false);
        checkSumDomain_ = 0;
    }
    RefreshChecksumDomain();
    if (checkSumType_ != 2) Text(IDC_CRC_INIT).clear();
    ExchangeFields(Direction::ToWindow);
}

void MainDialog::RefreshChecksumDomain() {
    ExchangeFields(Direction::FromWindow);
    if (checkSumType_ == 0) {
        view_.SetCheck(IDC_CS_DOMAIN_AUTO, true);
        view_.SetCheck(IDC_CS_DOMAIN_MANUAL, false);
        view_.Enable(IDC_CS_DOMAIN_AUTO, false);
        view_.Enable(IDC_CS_DOMAIN_MANUAL, false);
        view_.Enable(IDC_CS_DOMAIN_START, false);
        view_.Enable(IDC_CS_DOMAIN_END, false);
    } else if (checkSumDomain_ == 0) {
        view_.SetCheck(IDC_CS_DOMAIN_AUTO, true);
        view_.SetCheck(IDC_CS_DOMAIN_MANUAL, false);
        view_.Enable(IDC_CS_DOMAIN_AUTO, true);
        view_.Enable(IDC_CS_DOMAIN_MANUAL, true);
        view_.Enable(IDC_CS_DOMAIN_START, false);
        view_.Enable(IDC_CS_DOMAIN_END, false);
    } else if (checkSumDomain_ == 1) {
        view_.SetCheck(IDC_CS_DOMAIN_AUTO, false);
        view_.SetCheck(IDC_CS_DOMAIN_MANUAL, true);
        view_.Enable(IDC_CS_DOMAIN_AUTO, true);
        view_.Enable(IDC_CS_DOMAIN_MANUAL, true);
        view_.Enable(IDC_CS_DOMAIN_START, true);
        view_.Enable(IDC_CS_DOMAIN_END, true);
    }
    if (checkSumDomain_ == 0) {
        Text(IDC_CS_DOMAIN_START).clear();
        Text(IDC_CS_DOMAIN_END).clear();
    }
    ExchangeFields(Direction::ToWindow);
}

void MainDialog::OnCheckSum() {
    ExchangeFields(Direction::FromWindow);
    if (Text(IDC_CHECKSUM_FILE).empty()) return;
    if (checkSumDomain_ == 1 && (Text(IDC_CS_DOMAIN_START).empty() || Text(IDC_CS_DOMAIN_END).empty()))
        return;

    view_.BeginWaitCursor();
    const uint32_t crcInit = ReadHex(Text(IDC_CRC_INIT));
    const uint32_t start = ReadHex(Text(IDC_CS_DOMAIN_START));
    const uint32_t end = ReadHex(Text(IDC_CS_DOMAIN_END));
    const uint32_t result = engine_.CheckSumFile(Text(IDC_CHECKSUM_FILE), checkSumType_, crcInit,
                                                 checkSumDomain_ != 0, start, end);
    if (result != 0) {
        ShowError(result);
        Text(IDC_CHECKSUM_INFO).clear();
    } else {
        const uint16_t value = engine_.LastCheckSum();
        if (checkSumType_ == 2) {
            Text(IDC_CHECKSUM_INFO) = Format("  CRC Checksum :%04Xh.", value);
        } else if (checkSumType_ == 1) {
            Text(IDC_CHECKSUM_INFO) = Format("  One's complement Checksum :%04Xh.", value);
        } else if (const char* sum = SumLineFormat(hxwFileType_)) {
            // The word follows the type chosen on the Hxw File Exchange page.
            Text(IDC_CHECKSUM_INFO) = Format(sum, value);
        }
        settings_.checkSumFileName = Text(IDC_CHECKSUM_FILE);
        settings_.crcInitialValue = static_cast<uint16_t>(crcInit);
        settings_.checkSumType = checkSumType_;
        settings_.checkSumDomainType = checkSumDomain_;
        settings_.checkSumDomainStart = start;
        settings_.checkSumDomainEnd = end;
        settings_.Save();
    }
    ExchangeFields(Direction::ToWindow);
    view_.RestoreWaitCursor();
    view_.EndWaitCursor();
}

// ---------------------------------------------------------------- Security

void MainDialog::RefreshSecurityRadios() {
    ExchangeFields(Direction::FromWindow);
    view_.SetCheck(IDC_SECURITY_SET, securityFlag_ == 1);
    view_.SetCheck(IDC_SECURITY_CANCEL, securityFlag_ != 1);
    ExchangeFields(Direction::ToWindow);
}

void MainDialog::RefreshBuzzerRadios() {
    ExchangeFields(Direction::FromWindow);
    view_.SetCheck(IDC_BUZZER_ON, buzzerFlag_ == 1);
    view_.SetCheck(IDC_BUZZER_OFF, buzzerFlag_ != 1);
    ExchangeFields(Direction::ToWindow);
}

void MainDialog::OnSecurityDownload() {
    ExchangeFields(Direction::FromWindow);
    view_.BeginWaitCursor();
    SendSecurityInfo(securityFlag_, Text(IDC_ID_CODE), Text(IDC_COUNT), buzzerFlag_);
    view_.RestoreWaitCursor();
    ExchangeFields(Direction::ToWindow);
    view_.EndWaitCursor();
}

bool MainDialog::SendSecurityInfo(int security, const std::string& idCode, const std::string& count,
                                  int buzzer) {
    const SecurityRecord record = BuildSecurityRecord(security, idCode, count, buzzer);
    Text(IDC_SECURITY_INFO) = "Security info is downloading.";
    ExchangeFields(Direction::ToWindow);

    const uint32_t result = engine_.SendSecurityRecord(record);
    if (result != 0) {
        std::string text;
        ResultMessage(text, result);
        // The failure stays in the info line, written before the message box opens.
        Text(IDC_SECURITY_INFO) = "Download of a security info was failed.";
        ExchangeFields(Direction::ToWindow);
        view_.ShowMessage(text, kErrorCaption, mb::Ok);
        return false;
    }
    Text(IDC_SECURITY_INFO) = "Download of a security info was completed.";
    ExchangeFields(Direction::ToWindow);
    return true;
}
