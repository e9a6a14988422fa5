#pragma once
// The registry of the original platform, kept by us: one profile file per root under
// $XDG_CONFIG_HOME/quendel/registry/ ("HKEY_CURRENT_USER.ini"). A key is a section named by its
// path from the root ("[\Software\Quendel]"), a value a key of that section ("@" the key's
// default value, any other name in double quotes). Names and values are stored escaped, so any
// text comes back as it was written; a key name escapes (after a doubled "\") only what the file
// could not hold, so plain names are stored as they are. Reading and writing go through TIniFile:
// every write is one locked, safe rewrite of the root's file and every read sees the latest file.
//
// Key paths: parts separated by "\", a leading "\" starts at the root, empty parts are ignored,
// and parts compare without regard to case.

#include "platform/IniFile.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>

enum HKEY : quint32 {
    HKEY_CLASSES_ROOT = 0x80000000,
    HKEY_CURRENT_USER = 0x80000001,
    HKEY_LOCAL_MACHINE = 0x80000002,
    HKEY_USERS = 0x80000003,
    HKEY_CURRENT_CONFIG = 0x80000005,
    HKEY_DYN_DATA = 0x80000006,
};

// A registry operation that was refused; nothing was written.
class ERegistryException : public std::runtime_error {
public:
    explicit ERegistryException(const QString& message);
};

class TRegistry {
public:
    // A read-only registry neither creates keys nor writes values.
    explicit TRegistry(bool ReadOnly = false);
    virtual ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return root_; }
    // Changes the root and closes the current key.
    void SetRootKey(HKEY Value);
    bool ReadOnly() const { return readOnly_; }
    // The current key's path below the root, without a leading "\".
    QString CurrentPath() const;

    // Makes Key (relative to the current key unless it starts with "\") the current key. A
    // missing key is created when CanCreate and the registry is writable, else false.
    bool OpenKey(const QString& Key, bool CanCreate);
    // Back to the root.
    void CloseKey();
    bool KeyExists(const QString& Key) const;
    // Removes the key with all its sub-keys and values; the root cannot be removed.
    bool DeleteKey(const QString& Key);
    QStringList GetKeyNames() const;

    // Values of the current key; the name "" is the key's default value.
    bool ValueExists(const QString& Name) const;
    QStringList GetValueNames() const;
    // "" when the value is missing.
    QString ReadString(const QString& Name) const;
    // Throws ERegistryException when the value is missing or not a number.
    int ReadInteger(const QString& Name) const;
    void WriteString(const QString& Name, const QString& Value);
    void WriteInteger(const QString& Name, int Value);
    bool DeleteValue(const QString& Name);

    // The root's file written once for all the writes between them (see TIniFile); the root is
    // not changed inside an update.
    void BeginUpdate() { file_->BeginUpdate(); }
    void EndUpdate() { file_->EndUpdate(); }

    // The file that holds a root, and its name without folder ("HKEY_LOCAL_MACHINE").
    static QString RootFileName(HKEY Root);
    static QString RootName(HKEY Root);
    // Makes a root's file read-only (or writable again), as a root the user has no rights to.
    static bool SetRootReadOnly(HKEY Root, bool ReadOnly);

protected:
    // The key path (as path parts) that Key names from the current key.
    QStringList resolve(const QString& Key) const;
    void setCurrent(const QStringList& Parts) { current_ = Parts; }

    bool keyExists(const QStringList& key) const;
    QString storedSection(const QStringList& key) const;
    // The stored section, or the one a new key gets.
    QString sectionName(const QStringList& key) const;
    QStringList keyNames(const QStringList& key) const;
    QStringList valueNames(const QStringList& key) const;
    bool valueExists(const QStringList& key, const QString& name) const;
    QString readValue(const QStringList& key, const QString& name, const QString& fallback) const;
    int readInteger(const QStringList& key, const QString& name, int fallback) const;
    void writeValue(const QStringList& key, const QString& name, const QString& value);
    bool deleteValue(const QStringList& key, const QString& name);
    bool deleteTree(const QStringList& key);

private:
    TIniFile& writable();

    HKEY root_ = HKEY_CURRENT_USER;
    bool readOnly_;
    QStringList current_;
    std::unique_ptr<TIniFile> file_;
};

// The registry read as a profile file: the sections are sub-keys of the key FileName below
// HKEY_CURRENT_USER, the idents their values. The key comes into being with its first value.
class TRegIniFile : public TRegistry {
public:
    explicit TRegIniFile(const QString& FileName, bool ReadOnly = false);

    const QString& FileName() const { return fileName_; }

    using TRegistry::DeleteKey;
    using TRegistry::ReadInteger;
    using TRegistry::ReadString;
    using TRegistry::WriteInteger;
    using TRegistry::WriteString;

    // Section "" is the current key itself.
    QString ReadString(const QString& Section, const QString& Ident, const QString& Default) const;
    // Decimal or "0x" hexadecimal; anything else gives Default.
    int ReadInteger(const QString& Section, const QString& Ident, int Default) const;
    bool ReadBool(const QString& Section, const QString& Ident, bool Default) const;
    void WriteString(const QString& Section, const QString& Ident, const QString& Value);
    void WriteInteger(const QString& Section, const QString& Ident, int Value);
    void WriteBool(const QString& Section, const QString& Ident, bool Value);
    // The value names of a section, and the sub-keys of the current key.
    QStringList ReadSection(const QString& Section) const;
    QStringList ReadSections() const;
    // Removes the section's key with everything below it.
    void EraseSection(const QString& Section);
    void DeleteKey(const QString& Section, const QString& Ident);

private:
    QString fileName_;
};

// The object an INI operation of the settings store works on: a profile file, a registry file,
// or none.
class TIniObject {
public:
    TIniObject() = default;
    TIniObject(std::nullptr_t) {}
    TIniObject(TIniFile* Ini) : ini_(Ini) {}
    TIniObject(TRegIniFile* Reg) : reg_(Reg) {}

    TIniFile* IniFile() const { return ini_; }
    TRegIniFile* RegIniFile() const { return reg_; }
    explicit operator bool() const { return ini_ || reg_; }

    // The object's writes in one rewrite (see TIniFile); nothing without an object.
    void BeginUpdate() const;
    void EndUpdate() const;

private:
    TIniFile* ini_ = nullptr;
    TRegIniFile* reg_ = nullptr;
};
