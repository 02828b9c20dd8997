// Saves a file over and over, alternating two contents, until it is killed. The test kills it
// at random moments and checks what is left on disk.
#include "app/base/SafeFile.h"

#include <QByteArray>
#include <QString>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QByteArray a(300000, 'a'), b(200000, 'b');
    for (long i = 0;; ++i) {
        if (!vek::WriteFileAtomically(path, (i % 2) ? b : a))
            return 1;
        if (i == 0) {
            std::puts("saved");
            std::fflush(stdout);
        }
    }
}
