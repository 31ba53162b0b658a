#pragma once

class Database;
class Host;
class PlayerCore;

// What a page may use, handed over when the page is built instead of being
// fetched from process-wide instances.
struct PageContext
{
    Host *host = nullptr;
    PlayerCore *player = nullptr;
    Database *database = nullptr;
};
