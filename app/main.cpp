#include "app/Quendel.h"

int main(int argc, char** argv) {
    TQuendelApplication app(argc, argv);
    return RunQuendel(app);
}
