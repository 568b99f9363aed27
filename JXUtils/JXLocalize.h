#pragma once

#include <QString>

// The dictionary text for text (looked up in lower case), or text itself, unchanged, when
// the loaded language file has no such key. GUI thread only.
QString translate(const QString &text);

// Base of every window, dialog and widget that shows translated text. Constructing one
// registers it as an observer of language switches; destroying it unregisters it. The
// dictionary and the observer list are process-wide and used on the GUI thread only.
class JXLocalize
{
public:
    JXLocalize();
    virtual ~JXLocalize();
    JXLocalize(const JXLocalize &) = delete;
    JXLocalize &operator=(const JXLocalize &) = delete;

    // A language file above this size (or one that is not a regular file) is not read: the
    // texts then stay as written in the code.
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

    // Called after a language switch; observers set all their texts again through translate.
    virtual void languageChanged() {}

    // Folder that holds en.txt and cn.txt; start-up sets it before the first install().
    static void setLanguageDir(const QString &dir);
    static QString languageDir();
    // Loads name ("en", "en.txt", "cn", ...) without telling any observer.
    static void install(const QString &name);
    // Loads name, then calls languageChanged() on every registered observer in the order
    // they registered. Observers registered by a languageChanged() wait for the next
    // switch; observers destroyed by one are not called.
    static void changeLanguage(const QString &name);
    // The file name of the language last loaded ("en.txt"), empty before the first load.
    static QString currentLanguage();
    // The file name that install() and changeLanguage() read for name.
    static QString fileNameFor(const QString &name);
};
