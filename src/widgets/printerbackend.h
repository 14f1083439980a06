#pragma once
// Connects the printer service to the system's print queues.

namespace karvell {

// Hands the installed CUPS queues and the default queue to PrinterService; the built-in "PDF"
// printer follows them. Call once at start, after the application object exists.
void InstallSystemPrinters();

} // namespace karvell
