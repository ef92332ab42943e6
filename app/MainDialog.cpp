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

MainDialog::MainDialog(DialogView& view, PageOperations& engine, const std::string& exeFolder)
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
    for (int index = 0; index < kPageCount; ++index) view_.InsertTabItem(IDC_TAB, index, TabText(index));

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
    const bool hasTab = settings_.tabId < kPageCount;
    view_.SetCurSel(IDC_TAB, hasTab ? settings_.tabId : -1);
    for (int page = 0; page < kPageCount; ++page) ShowPage(page, page == settings_.tabId);

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
    if (page < 0 || page >= kPageCount) return;
    const Page& p = PageLayout(page);
    view_.Show(p.groupBox, false);
    if (!show) {
        for (const Placement* c = p.begin; c != p.end; ++c) view_.Show(c->id, false);
        return;
    }
    for (const Placement* c = p.begin; c != p.end; ++c) view_.Show(c->id, true);
    for (const Placement* c = p.begin; c != p.end; ++c)
        view_.MoveControl(c->id, c->x, c->y, c->width, c->height);
}

intptr_t MainDialog::OnTabChange() {
    for (int page = 0; page < kPageCount; ++page) ShowPage(page, false);
    settings_.tabId = static_cast<uint8_t>(view_.GetCurSel(IDC_TAB) & 0xFF);
    ShowPage(settings_.tabId, true);
    settings_.Save();
    return 0;
}
