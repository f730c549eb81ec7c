#include "host/host.h"

int main(int argc, char** argv) {
    platform_start(argc, argv);
    host_run();
}
