#include "Printer.h"

#include <QPrinter>

namespace printing {

QPrinter& Printer() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

} // namespace printing
