#pragma once

namespace tarnwell::import {

// What a run tells whoever shows its progress, on the thread the run works on. Cancelling is
// not asked here: Connection::cancel() reaches the statement under way from any thread, and the
// run ends at the statement it stops.
class ImportProgress
{
public:
    virtual ~ImportProgress() = default;
    // `done` of the `total` chosen apparatuses have been handed to their importer.
    virtual void progressed(int done, int total) = 0;
    // Another import into the domain holds its lock; the run waits until it ends.
    virtual void waitingForTheLock() = 0;
    // The run has ended, however it ended; nothing follows.
    virtual void done() = 0;
};

} // namespace tarnwell::import
