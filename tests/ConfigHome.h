#pragma once
// Points an XDG base folder (the configuration's, unless another is named) at a fresh temporary
// folder for one test, and back afterwards, so tests running side by side never share files.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

class ConfigHome {
public:
    explicit ConfigHome(const char* variable = "XDG_CONFIG_HOME")
        : variable_(variable), previous_(qgetenv(variable)) {
        qputenv(variable_, QFile::encodeName(dir_.path()));
    }
    ~ConfigHome() { qputenv(variable_, previous_); }
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

    QString path() const { return dir_.path(); }
    QString registryFile(const QString& root) const {
        return dir_.filePath("quendel/registry/" + root + ".ini");
    }

private:
    QTemporaryDir dir_;
    const char* variable_;
    QByteArray previous_;
};
