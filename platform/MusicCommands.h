#pragma once

// The music device behind the show's command strings.
//  [X] "open FILE type sequencer alias NAME": opens FILE (a code page 932
//      path whose "\" is the separator, relative to the working directory)
//      under NAME. An alias already in use is refused and changes nothing.
//  [X] "play NAME": starts the tune in the background; while it plays this
//      does nothing, once it has ended it plays it again from the start.
//  [X] Every other command, and every failure, is silently ignored.
// Keywords and aliases are matched without regard to letter case.

#include <map>
#include <memory>
#include <string>
#include <string_view>

// One opened tune.
class Sequence {
public:
    virtual ~Sequence() = default;
    virtual void Play() = 0;
};

// Opens tunes for the interpreter; a null result is a failure.
class Sequencer {
public:
    virtual ~Sequencer() = default;
    [[nodiscard]] virtual std::unique_ptr<Sequence> Open(const std::string& path) = 0;
};

class MusicCommands {
public:
    explicit MusicCommands(Sequencer& sequencer) : m_sequencer(sequencer) {}

    void Send(std::string_view command);

    [[nodiscard]] bool HasAlias(std::string_view alias) const;

    // The file system path for a stored path: "\" becomes "/" and the code
    // page 932 text becomes UTF-8; empty when it does not convert.
    [[nodiscard]] static std::string FileSystemPath(std::string_view stored);

private:
    void Open(std::string_view element, std::string_view type, std::string_view alias);

    Sequencer& m_sequencer;
    std::map<std::string, std::unique_ptr<Sequence>> m_open;  // by lower-cased alias
};
