#pragma once

#include "platform/Worker.h"
#include "store/ContactRows.h"

#include <QString>

#include <atomic>

#include <functional>
#include <memory>

namespace store {

class Connection;

// The book's contacts as the list shows them, read in a thread of its own over a connection of its own, while the
// caller's windows go on repainting (platform::Worker). The rows read last are kept: while the store can tell that
// the book has not changed since (SQLite's data version), they are the very rows a new read would return, and
// serve the next reload, count and search instead of one.
class ContactReader {
public:
    using Rows = std::shared_ptr<const ContactRows>;

    ContactReader();
    ~ContactReader();
    ContactReader(const ContactReader&) = delete;
    ContactReader& operator=(const ContactReader&) = delete;

    // Every contact newest first, as "select * from main order by id desc" lists them. *reread tells whether the
    // table was read, or the rows read last are still the book's.
    bool read(Rows* rows, QString* error, bool* reread = nullptr);
    // Reads them ahead without waiting, where the store can tell later that the book is unchanged (the embedded
    // store): a read() meanwhile or soon after takes these rows, unless the book changed. A read nobody uses would
    // only load the server, which cannot tell.
    void readAhead();
    // The number of contacts, as "select count(*) from main" gives it.
    bool count(int* rows, QString* error);
    // Runs work in the reader's thread over every contact, read as read() reads them: the searches test them there,
    // and whatever work keeps between calls is only ever touched in that thread.
    bool visit(const std::function<void(const Rows&)>& work, QString* error);
    // Work over the rows read last that nobody waits for, done in the reader's thread while it has nothing else to
    // do: each step is short, and any call above goes before the next one. Steps continue until one returns true,
    // no rows are kept, or the reader ends.
    using IdleStep = std::function<bool(const Rows&)>;
    void whenIdle(IdleStep step);

private:
    // In the reader's thread.
    bool open(QString* error);
    bool readHere(Rows* rows, bool* reread, QString* error);
    bool unchanged();
    void idle(IdleStep step);

    // Made, used and closed in the reader's thread, as Qt wants of a connection.
    std::unique_ptr<Connection> m_connection;
    Rows m_rows;
    // The store's data version the rows were read at, when it told one before and after the read alike.
    bool m_versionKnown = false;
    qint64 m_version = 0;
    std::atomic<bool> m_ending{false};
    // Last, so that it ends first: the connection is closed in its thread before the members go.
    platform::Worker m_worker;
};

} // namespace store
