#include "app/ctavapp.h"

int main(int argc, char** argv) {
    return karnea::RunApplication(argc, argv);
}
