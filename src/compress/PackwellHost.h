#pragma once

// What a window that hosts the compression component offers it. The property-changed notice
// is the component's Qt signal propertyChanged(), which the host connects to.
class PackwellHost
{
public:
    virtual ~PackwellHost();

    // The ambient user mode: true while the component runs inside an application, false inside
    // a design environment. Size properties are only stored, and announced, in user mode.
    virtual bool userMode() const = 0;

    // The host of a component placed in a running application: always in user mode.
    static const PackwellHost &application();
};

// What a host tells the component it hosts.
class PackwellNotifications
{
public:
    virtual void InitProperties() = 0; // a new instance has been placed
    virtual void ReadProperties() = 0; // a saved instance has been loaded
    virtual void WriteProperties() = 0; // the host saves the instance
    virtual void Resize() = 0; // the host has changed the component's size

protected:
    ~PackwellNotifications() = default;
};
