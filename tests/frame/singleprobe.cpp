// Takes part in the single-instance guard like the three programs: prints
// "exist" and ends when another instance runs, else prints "first" and
// stays up until it is killed.
#include "singleapp.h"

#include <cstdio>

int main(int argc, char **argv)
{
    SingleApp app(argc, argv);
    if (app.exist()) {
        std::puts("exist");
        return 0;
    }
    std::puts("first");
    std::fflush(stdout);
    return app.exec();
}
