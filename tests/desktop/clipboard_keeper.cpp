// A minimal X11 clipboard manager for the end-to-end test, as a desktop session has one: it owns
// CLIPBOARD_MANAGER, and when a program that owns the clipboard ends and asks it to SAVE_TARGETS
// (Qt does so on exit), it fetches every target of the clipboard, takes the clipboard over and
// serves the saved content after the program is gone. Unlike a real one it keeps no history
// and honours no hints: the test wants to see exactly what the program left.
//
// Usage: clipboard_keeper     (runs until killed; prints "ready" once it owns CLIPBOARD_MANAGER)

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace
{

struct Saved
{
    Atom type = None;
    int format = 8;
    std::vector<unsigned char> data; // items of `format` bits, as XGetWindowProperty gives them
    unsigned long items = 0;
};

Display *display;
Window window;
Atom clipboard, manager, saveTargets, targets, multiple, timestamp, transfer, incr;
std::map<Atom, Saved> saved;

// Waits for the SelectionNotify that answers our own conversion; other events meanwhile are not
// expected in the short time a conversion takes and are dropped.
bool Convert(Atom selection, Atom target, Saved &out)
{
    XDeleteProperty(display, window, transfer);
    XConvertSelection(display, selection, target, transfer, window, CurrentTime);
    XEvent event;
    for (;;) {
        XNextEvent(display, &event);
        if (event.type == SelectionNotify && event.xselection.selection == selection)
            break;
    }
    if (event.xselection.property == None)
        return false;
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, transfer, 0, 1 << 24, True, AnyPropertyType, &type, &format, &items,
                           &after, &data) != Success)
        return false;
    if (type == incr) { // large transfers are not needed for the test's texts
        XFree(data);
        return false;
    }
    const size_t unit = format == 32 ? sizeof(long) : size_t(format / 8);
    out.type = type;
    out.format = format;
    out.items = items;
    out.data.assign(data, data + items * unit);
    XFree(data);
    return true;
}

void SaveClipboard()
{
    saved.clear();
    Saved list;
    if (!Convert(clipboard, targets, list) || list.format != 32)
        return;
    const auto *atoms = reinterpret_cast<const Atom *>(list.data.data());
    for (unsigned long i = 0; i < list.items; ++i) {
        const Atom target = atoms[i];
        if (target == targets || target == multiple || target == timestamp || target == saveTargets)
            continue;
        Saved content;
        if (Convert(clipboard, target, content))
            saved[target] = content;
    }
}

void Reply(const XSelectionRequestEvent &request, Atom property)
{
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = request.display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.property = property;
    reply.xselection.time = request.time;
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    XFlush(display);
}

void Serve(const XSelectionRequestEvent &request)
{
    const Atom property = request.property == None ? request.target : request.property;
    if (request.target == targets) {
        std::vector<Atom> list{targets};
        for (const auto &entry : saved)
            list.push_back(entry.first);
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char *>(list.data()), int(list.size()));
        Reply(request, property);
        return;
    }
    const auto found = saved.find(request.target);
    if (found == saved.end()) {
        Reply(request, None);
        return;
    }
    XChangeProperty(display, request.requestor, property, found->second.type, found->second.format, PropModeReplace,
                    found->second.data.data(), int(found->second.items));
    Reply(request, property);
}

} // namespace

int main()
{
    display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "clipboard_keeper: no display\n");
        return 1;
    }
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    clipboard = XInternAtom(display, "CLIPBOARD", False);
    manager = XInternAtom(display, "CLIPBOARD_MANAGER", False);
    saveTargets = XInternAtom(display, "SAVE_TARGETS", False);
    targets = XInternAtom(display, "TARGETS", False);
    multiple = XInternAtom(display, "MULTIPLE", False);
    timestamp = XInternAtom(display, "TIMESTAMP", False);
    transfer = XInternAtom(display, "LOCKVEX_TEST_TRANSFER", False);
    incr = XInternAtom(display, "INCR", False);
    XSetSelectionOwner(display, manager, window, CurrentTime);
    if (XGetSelectionOwner(display, manager) != window) {
        std::fprintf(stderr, "clipboard_keeper: another clipboard manager runs\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != SelectionRequest)
            continue;
        const XSelectionRequestEvent &request = event.xselectionrequest;
        if (request.selection == manager && request.target == saveTargets) {
            // The owner of the clipboard is ending: take its content over, then tell it so.
            SaveClipboard();
            XSetSelectionOwner(display, clipboard, window, CurrentTime);
            Reply(request, request.property == None ? saveTargets : request.property);
            std::printf("saved %zu targets\n", saved.size());
            std::fflush(stdout);
        } else if (request.selection == manager && request.target == targets) {
            Atom list[] = {targets, saveTargets};
            XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char *>(list), 2);
            Reply(request, request.property);
        } else if (request.selection == clipboard) {
            Serve(request);
        } else {
            Reply(request, None);
        }
    }
}
