#include "printerbackend.h"

#include <QPrinterInfo>

#include "platform/printer.h"

namespace karvell {

void InstallSystemPrinters() {
    PrinterService::Instance().SetSystemPrinters(QPrinterInfo::availablePrinterNames(),
                                                 QPrinterInfo::defaultPrinterName());
}

} // namespace karvell
