// The File Check Sum page.
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
