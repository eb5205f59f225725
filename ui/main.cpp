#include "Orlet.h"

int main(int argc, char* argv[])
{
    return theOrletApp.Run(argc, argv);
}
