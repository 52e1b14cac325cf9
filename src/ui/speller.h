#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>

class Hunspell;

namespace kt::ui {

// Spelling over an installed system dictionary. One speller serves the whole run, on the
// user-interface thread only (the library keeps state per instance and is not safe to share).
// Nothing is ever written to disk: a word ignored stays ignored until the program ends.
class Speller {
public:
    // A speller without a dictionary: every word is correct and there are no suggestions.
    Speller();
    // The dictionary in the two files; without both, no dictionary.
    Speller(const QString& affPath, const QString& dicPath);
    ~Speller();
    Speller(const Speller&) = delete;
    Speller& operator=(const Speller&) = delete;

    // The dictionary of the language of `localeName` ("de_AT") found in `folders`: the exact
    // one, else another of the same language, else en_US, else none.
    static std::unique_ptr<Speller> forLocale(const QString& localeName,
                                              const QStringList& folders);

    // The speller of the run: the user's language among the system's dictionaries, chosen the
    // first time it is asked for.
    static Speller& current();
    // Starts reading the user's dictionary on another thread, so that the first check after
    // start-up does not wait for it (or waits only for what is left). It is used on the
    // user-interface thread only, once current() has taken it.
    static void loadInBackground();
    // Replaces the speller of the run (tests); nullptr goes back to the user's. Every control's
    // marks are checked again.
    static void install(std::unique_ptr<Speller> speller);
    // Changes whenever a word's verdict may have changed (an Ignore, another speller). Marks made
    // under an earlier value are stale.
    static int generation();

    bool hasDictionary() const { return m_hunspell != nullptr; }
    // True for a word of the dictionary, an ignored word, and any word when there is no
    // dictionary or the word cannot be written in the dictionary's encoding.
    bool isCorrect(QStringView word);
    // At most `max` suggestions, best first.
    QStringList suggestions(QStringView word, int max = 5);
    // Counts the word as correct for the rest of the run, in every control.
    void ignore(QStringView word);

    // The words of a text worth checking: letters with inner apostrophes; words with digits and
    // parts of addresses or file names are left alone. `fn(start, length)` per word.
    static void forEachWord(QStringView text, const std::function<void(int, int)>& fn);

private:
    bool encode(QStringView word, std::string& out);
    QString decode(const std::string& bytes);

    std::unique_ptr<Hunspell> m_hunspell;
    bool m_utf8 = true;
    QStringEncoder m_encoder;
    QStringDecoder m_decoder;
    QHash<QString, bool> m_verdicts; // memo of the library's answers
    QSet<QString> m_ignored;
};

} // namespace kt::ui
