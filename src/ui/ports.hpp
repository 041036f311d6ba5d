#pragma once

namespace lw {

class Clock;
class Database;
class Desktop;
class Dialogs;
class EventLoop;

// Everything a window's logic reaches the outside through: the database, the user, the
// desktop, the event loop and the clock.
struct Ports {
    Database& db;
    Dialogs& dialogs;
    Desktop& desktop;
    EventLoop& loop;
    const Clock& clock;
};

} // namespace lw
