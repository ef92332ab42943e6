// Where each page's controls go, and the tab texts.
#include <iterator>

#include "app/ControlIds.h"
#include "app/PageShared.h"

namespace pages {
namespace {
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


const Page kPages[] = {
    {IDC_GROUP_CONVERT, std::begin(kConversionPage), std::end(kConversionPage)},
    {IDC_GROUP_CHECKSUM, std::begin(kChecksumPage), std::end(kChecksumPage)},
    {IDC_GROUP_DOWNLOAD, std::begin(kDownloadPage), std::end(kDownloadPage)},
    {IDC_GROUP_UPLOAD, std::begin(kUploadPage), std::end(kUploadPage)},
    {IDC_GROUP_SECURITY, std::begin(kSecurityPage), std::end(kSecurityPage)},
};

constexpr const char* kTabTexts[] = {"Hxw File Exchange", "File Check Sum", "File Download", "File Upload",
                                     "Security"};
}  // namespace

const Page& PageLayout(int page) { return kPages[page]; }
const char* TabText(int page) { return kTabTexts[page]; }
}  // namespace pages
