// A host that loads the library only after making its QApplication (dlopen, as a plug-in would be):
// prints what it then finds of the attribute web pages need. Qt's warnings go to the standard error.
#include <QApplication>

#include <cstdio>
#include <dlfcn.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <library>\n", argv[0]);
        return 2;
    }
    if (!dlopen(argv[1], RTLD_NOW | RTLD_LOCAL)) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 3;
    }
    std::printf("library loaded; shared GL contexts: %d\n",
                int(QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts)));
    return 0;
}
