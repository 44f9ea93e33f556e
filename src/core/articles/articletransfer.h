#pragma once

#include <QString>

#include <functional>

class AppContext;
class UserInteraction;

// The copy of the article code database onto the connected handheld, where the counting app
// looks up the codes it accepts.
namespace ArticleTransfer {

enum class End {
    Pushed,
    NoHandheld,       // none connected: nothing run, nothing logged
    SeveralHandhelds, // the tool would not choose: nothing run
    NoDatabase,       // no article code database built yet: nothing run, nothing logged
    Failed,           // the tool refused or failed; its words are in the message
};

// Tells the user every outcome through ui; copying runs when the copy starts (the window
// shows its "in progress" text then).
End run(AppContext &context, UserInteraction &ui, const std::function<void()> &copying = {});

} // namespace ArticleTransfer
