#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

// Answers the next modal dialog of type T from inside its exec(): polls until such a dialog is
// the active modal widget, then hands it to `answer`. After about five seconds it rejects
// whatever modal dialog is up, so a test waiting in vain fails (answered() is false) instead of
// hanging.
template<class T> class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(T *)> answer) : m_answer(std::move(answer))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    bool answered() const { return m_answered; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (T *dialog = qobject_cast<T *>(modal)) {
            m_timer.stop();
            m_answered = true;
            m_answer(dialog);
        } else if (++m_ticks > 500) {
            m_timer.stop();
            if (auto *stuck = qobject_cast<QDialog *>(modal))
                stuck->reject();
        }
    }

    std::function<void(T *)> m_answer;
    QTimer m_timer;
    int m_ticks = 0;
    bool m_answered = false;
};
