#include "mode_control.h"

int main(int argc, char** argv)
{
    return VantrelMain(argc, argv);
}
