// The Security page.
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
