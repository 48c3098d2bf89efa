#include "Tool.h"

int main(int argc, char** argv) {
    return ss::runTool(argc, argv);
}
