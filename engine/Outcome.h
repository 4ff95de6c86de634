// What a command did, beside the boxes it showed: callers that need more than
// the window's story (the command-line tool's exit status) read it here.
#pragma once

#include <string>
#include <utility>

namespace tarnex {

struct CommandOutcome {
    enum class Status {
        Done,        // every listed file (or the text) was done
        NothingToDo, // an empty list
        Cancelled,   // the user said No or closed the password dialog
        Failed,      // a file or the text failed; `failure` says how
    };
    Status status = Status::NothingToDo;
    int filesDone = 0;
    // The text of the box that reported the (first) failure.
    std::string failure;

    bool Succeeded() const { return status == Status::Done; }

    static CommandOutcome Of(Status status, int filesDone = 0, std::string failure = {})
    {
        CommandOutcome outcome;
        outcome.status = status;
        outcome.filesDone = filesDone;
        outcome.failure = std::move(failure);
        return outcome;
    }
};

} // namespace tarnex
