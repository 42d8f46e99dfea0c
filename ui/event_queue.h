// The toolkit-independent half of the event machinery: the queue of window
// events, the control events raised while the toolkit handled input, and
// what the last WaitEvent reported. Backends feed it; WaitEvent drains it.
#pragma once

namespace kit {

// Empties both queues and forgets the last event.
void ResetEvents();

// Appends {code, window} to the window-event queue, unless the queue's last
// entry is exactly that (same code, same window).
void QueueWindowEvent(int code, int window);

// Records a control event. Every one is kept, in order: a toolkit that
// handles a batch of input at once may raise several before WaitEvent looks.
void RaiseControlEvent(int control, int type);

// Starts a WaitEvent call: forgets the last event type, then hands out the
// oldest waiting event. A window event comes before a control event left
// over from an earlier batch. Returns the event code (recording its window,
// or its control and type), or 0 when nothing is waiting.
int TakeQueuedEvent();

// Hands out the oldest control event raised since the last call (recording
// control and type): ControlEvent, or 0 when none was raised.
int TakeControlEvent();

// True when a window event is waiting.
bool WindowEventWaiting();

// Drops the waiting events of a window or control that no longer exists.
void ForgetWindowEvents(int window);
void ForgetControlEvents(int control);

}  // namespace kit
