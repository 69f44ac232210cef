// SPDX-License-Identifier: GPL-3.0-or-later
// A second process for the single-instance tests: claims DIRECTORY/KEY and,
// finding it taken, hands the remaining arguments over.
// Exit status: 0 handed over, 1 hand-over failed, 2 usage, 3 became primary.
#include "app/SingleInstance.h"

#include <QCoreApplication>

using namespace Dartline;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    SingleInstance instance(args.at(1), args.at(2));
    if (instance.claim() != SingleInstance::Role::Secondary)
        return 3;
    return instance.handOver(args.mid(3), 800) ? 0 : 1;
}
