#!/usr/bin/python3
"""A stand-in for a status-notifier panel on a private session bus.

  sni.py watcher LOG   own org.kde.StatusNotifierWatcher with a host, and
                       write each item that registers to LOG, one a line
  sni.py menu          print the menu of the registered item: one line per
                       top-level entry, its label or "-" for a separator
  sni.py click LABEL   send "clicked" to the item's menu entry LABEL
  sni.py icon          print the sizes of the item's icon pixmaps and its tip
  sni.py activate      call the item's Activate, as a left click does
  sni.py ready         succeed once the watcher is on the bus
"""
import sys

import dbus
import dbus.service

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


# Qt reads the watcher's properties through an introspected interface, so the
# properties must be in the introspection data, which dbus-python leaves out.
INTROSPECTION = """<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
    <signal name="StatusNotifierHostUnregistered"/>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
    <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
  </interface>
  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect"><arg type="s" direction="out"/></method>
  </interface>
</node>
"""


class Watcher(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.items = []
        self.log = log

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item names its bus service, or only its object path on the sender.
        name = service if not service.startswith("/") else sender
        if name not in self.items:
            self.items.append(name)
        with open(self.log, "a") as f:
            f.write(name + "\n")
        self.StatusNotifierItemRegistered(name)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, name):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return INTROSPECTION

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        return self.GetAll(interface)[prop]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
        }


def watcher(log):
    from dbus.mainloop.glib import DBusGMainLoop
    from gi.repository import GLib

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    w = Watcher(bus, log)
    name = dbus.service.BusName(WATCHER, bus)
    GLib.idle_add(lambda: (w.StatusNotifierHostRegistered(), False)[1])
    GLib.MainLoop().run()
    del name


def item(bus):
    watcher_object = bus.get_object(WATCHER, "/StatusNotifierWatcher")
    items = watcher_object.Get(WATCHER, "RegisteredStatusNotifierItems", dbus_interface=dbus.PROPERTIES_IFACE)
    if not items:
        sys.exit("no item is registered")
    return bus.get_object(items[-1], "/StatusNotifierItem")


def menu_of(bus):
    obj = item(bus)
    path = obj.Get(ITEM, "Menu", dbus_interface=dbus.PROPERTIES_IFACE)
    if path == "/NO_DBUSMENU":
        sys.exit("the item exports no menu")
    menu = bus.get_object(obj.bus_name, path)
    _revision, layout = menu.GetLayout(0, -1, dbus.Array([], signature="s"), dbus_interface=MENU)
    entries = []
    for child in layout[2]:
        child_id, props = int(child[0]), child[1]
        if props.get("type", "standard") == "separator":
            entries.append((child_id, "-"))
        else:
            entries.append((child_id, str(props.get("label", ""))))
    return menu, entries


def main():
    command = sys.argv[1]
    if command == "watcher":
        watcher(sys.argv[2])
        return
    bus = dbus.SessionBus()
    if command == "menu":
        for _id, label in menu_of(bus)[1]:
            print(label)
    elif command == "click":
        menu, entries = menu_of(bus)
        ids = [i for i, label in entries if label == sys.argv[2]]
        if not ids:
            sys.exit("no entry " + sys.argv[2])
        menu.Event(ids[0], "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0), dbus_interface=MENU)
    elif command == "icon":
        obj = item(bus)
        pixmaps = obj.Get(ITEM, "IconPixmap", dbus_interface=dbus.PROPERTIES_IFACE)
        print(" ".join(sorted({"%dx%d" % (int(w), int(h)) for w, h, _ in pixmaps}, key=lambda s: int(s.split("x")[0]))))
        tip = obj.Get(ITEM, "ToolTip", dbus_interface=dbus.PROPERTIES_IFACE)
        print(str(tip[2]))
    elif command == "ready":
        sys.exit(0 if bus.name_has_owner(WATCHER) else 1)
    elif command == "activate":
        item(bus).Activate(dbus.Int32(0), dbus.Int32(0), dbus_interface=ITEM)
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
