#include "app/VantrelLauncher.h"

int main(int argc, char** argv)
{
    return VantrelLauncher::main(argc, argv);
}
