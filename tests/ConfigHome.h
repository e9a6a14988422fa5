#pragma once
// Points XDG_CONFIG_HOME at a fresh temporary folder for one test, and back afterwards.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

class ConfigHome {
public:
    ConfigHome() : previous_(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()));
    }
    ~ConfigHome() { qputenv("XDG_CONFIG_HOME", previous_); }
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

    QString path() const { return dir_.path(); }
    QString registryFile(const QString& root) const {
        return dir_.filePath("quendel/registry/" + root + ".ini");
    }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
};
