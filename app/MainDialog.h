// The operator window's state and every page handler, written against DialogView so that the
// order of field transfers, enables, checks, texts and message boxes is the same natively and in
// the real window.
//
// How the Win32 dialog procedure drives it:
//   WM_INITDIALOG: first attach the subclassed edit boxes (EditKindOf), append the system menu's
//     separator and "&About Tessmark" item (string 101, only when not empty), set the big and
//     small icon (WM_SETICON, icon 128); then call OnInitDialog() and return its result. Every
//     other start-up step (the first field transfer, the window size, the tab control's place,
//     the tab items, the settings, the refreshes, the page shown, the last field transfer) is
//     OnInitDialog's, made through DialogView.
//   WM_COMMAND, BN_CLICKED: OnCommand(control id); it returns false for ids it does not handle
//     (IDOK, IDCANCEL ...), which get the default handling. The Enter key reaches it as
//     BN_CLICKED of the default button 1020.
//   WM_NOTIFY, TCN_SELCHANGE from 1024: return OnTabChange().
//   WM_DROPFILES: query every dropped file's full path (DragQueryFileA, at any length), call
//     OnDropFiles(paths), DragFinish, then the default handling.
//   WM_SYSCOMMAND (About), WM_PAINT (minimised icon), WM_QUERYDRAGICON, WM_CLOSE stay Win32.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/DialogView.h"
#include "app/PageOperations.h"
#include "app/SettingsFile.h"

class HxwConverter;

class MainDialog {
  public:
    // The window's engine is the program's HxwConverter. exeFolder: the executable's drive and
    // folder, ending in a separator (FolderPart of its own path); ZV.DEF and "Hxw.tmp" go there.
    MainDialog(DialogView& view, HxwConverter& converter, const std::string& exeFolder);
    // The same over any PageOperations (tests choose the results with this one).
    MainDialog(DialogView& view, PageOperations& engine, const std::string& exeFolder);
    ~MainDialog();
    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    // --- entry points of the dialog procedure ---
    bool OnInitDialog();
    bool OnCommand(int id);
    intptr_t OnTabChange();
    void OnDropFiles(const std::vector<std::string>& paths);

    // --- field transfer ---
    enum class Direction { ToWindow, FromWindow };
    // FromWindow returns false when a limited field was too long (the operator has been told);
    // callers go on regardless.
    bool ExchangeFields(Direction direction);

    // --- page handlers ---
    void OnBrowseHex();
    void OnBrowseHxw();
    void RefreshTypeRadios();
    void RefreshDomain();
    void OnConvert();

    void OnBrowseDownload();
    void OnDownload();
    bool RunDownload(const std::string& path);
    void OnBrowseUpload();
    void OnUpload();

    void OnBrowseCheckSumFile();
    void RefreshChecksumType();
    void RefreshChecksumDomain();
    void OnCheckSum();

    void RefreshSecurityRadios();
    void RefreshBuzzerRadios();
    void OnSecurityDownload();
    bool SendSecurityInfo(int security, const std::string& idCode, const std::string& count, int buzzer);

    // --- state, read-only (tests, and anyone who shows it) ---
    // The text field bound to a control (one of the eighteen); empty for any other id.
    const std::string& Field(int id) const;
    uint8_t HxwFileType() const { return hxwFileType_; }
    uint32_t ConversionDomain() const { return conversionDomain_; }
    uint8_t CheckSumType() const { return checkSumType_; }
    uint32_t CheckSumDomain() const { return checkSumDomain_; }
    int SecurityFlag() const { return securityFlag_; }
    int BuzzerFlag() const { return buzzerFlag_; }
    const SettingsFile& Settings() const { return settings_; }

  private:
    struct TextField {
        int id;
        unsigned limit;  // 0: none
        std::string text;
    };
    std::string& Text(int id);
    void ShowPage(int page, bool show);
    void ShowError(uint32_t code);
    void ResetProgress(int id);

    DialogView& view_;
    std::unique_ptr<PageOperations> ownEngine_;
    PageOperations& engine_;
    std::vector<TextField> fields_;
    SettingsFile settings_;
    uint8_t hxwFileType_ = 0;
    uint32_t conversionDomain_ = 0;
    uint8_t checkSumType_ = 0;
    uint32_t checkSumDomain_ = 0;
    int securityFlag_ = 0;
    int buzzerFlag_ = 1;
};
