// Writes the history of the library given, 10,000 entries per transaction,
// batch after batch until it is killed; says "batch N" before each.
#include "library/LibraryStore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    LibraryStore store(QString::fromLocal8Bit(argv[1]));
    if (store.open() != LibraryStore::OpenState::Opened)
        return 1;
    QStringList queries;
    for (int i = 0; i < 10000; ++i)
        queries.append(QStringLiteral("query %1 with a few words more to give each row some weight").arg(i));
    for (int batch = 1;; ++batch) {
        std::printf("batch %d\n", batch);
        std::fflush(stdout);
        if (!store.importQueries(queries))
            return 1;
    }
}
