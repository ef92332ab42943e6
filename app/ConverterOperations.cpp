// The pages' calls bound to the program's HxwConverter. Kept in its own file so that code which
// brings its own PageOperations does not pull in the whole engine.
#include "app/MainDialog.h"
#include "engine/HxwConverter.h"

uint32_t ConverterOperations::CreateHxwFile(const std::string& source, const std::string& hxw, uint8_t type,
                                        uint8_t mode, uint32_t start, uint32_t end, Progress& progress) {
    return converter_.CreateHxwFile(source, hxw, type, mode, start, end, progress);
}

uint32_t ConverterOperations::CheckSumFile(const std::string& path, uint8_t kind, uint32_t crcInit, bool manual,
                                       uint32_t start, uint32_t end) {
    return converter_.CheckSumFile(path, kind, crcInit, manual, start, end);
}

uint32_t ConverterOperations::DownloadFile(const std::string& path, const std::string& name, Progress& progress) {
    return converter_.DownloadFile(path, name, progress);
}

uint32_t ConverterOperations::UploadFile(const std::string& folder, std::string& nameOut, Progress& progress) {
    return converter_.UploadFile(folder, nameOut, progress);
}

uint32_t ConverterOperations::SendSecurityRecord(const SecurityRecord& record) {
    return converter_.SendSecurityRecord(record);
}

uint16_t ConverterOperations::LastCheckSum() const { return converter_.LastCheckSum; }

MainDialog::MainDialog(DialogView& view, HxwConverter& converter, const std::string& exeFolder)
    : MainDialog(view, *new ConverterOperations(converter), exeFolder) {
    ownEngine_.reset(&engine_);  // the delegated constructor took it by reference
    converter.SetUpperHalfPath(exeFolder + "Hxw.tmp");
}
