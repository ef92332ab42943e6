// The Hxw File Exchange page: choosing the files, the type and the domain, and the conversion.
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
