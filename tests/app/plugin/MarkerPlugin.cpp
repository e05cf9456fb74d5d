// A plugin that does nothing but leave a mark when it is loaded: the file named by VELLORAN_PLUGIN_MARKER. Tests
// put it where the programs must never load a plugin from; it claims to be a platform, the first kind Qt loads.
#include <QObject>

#include <cstdio>
#include <cstdlib>

namespace {

__attribute__((constructor)) void leaveMark()
{
    if (const char* file = std::getenv("VELLORAN_PLUGIN_MARKER")) {
        if (FILE* f = std::fopen(file, "w"))
            std::fclose(f);
    }
}

} // namespace

class MarkerPlugin : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QPA.QPlatformIntegrationFactoryInterface.5.3" FILE "marker.json")
};

#include "MarkerPlugin.moc"
