#include "app/window/startup.h"

int main(int argc, char* argv[]) {
    return vireo::runVireo(argc, argv);
}
