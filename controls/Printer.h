#pragma once
// The program's printer: one for the process, as the platform had it.

class QPrinter;

namespace printing {

QPrinter& Printer();

} // namespace printing
