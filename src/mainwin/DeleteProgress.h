#pragma once

#include <QElapsedTimer>

class QFrame;
class QProgressBar;
class QWidget;

// How far a long deletion has come, over the record list, with the window repainting meanwhile. A deletion that
// ends within a moment shows nothing. User input waits until the deletion is over.
class DeleteProgress {
public:
    // The panel lies centred over `list`, in its window.
    DeleteProgress(QWidget* list, int total);
    ~DeleteProgress();
    DeleteProgress(const DeleteProgress&) = delete;
    DeleteProgress& operator=(const DeleteProgress&) = delete;

    // `done` rows of the total are through.
    void advance(int done);

    // The moment before the panel appears; 300 ms, shortened by tests.
    static void setDelay(int ms);

private:
    QWidget* m_list;
    int m_total;
    QElapsedTimer m_clock;
    qint64 m_lastRepaint;
    QFrame* m_panel = nullptr;
    QProgressBar* m_bar = nullptr;
};
