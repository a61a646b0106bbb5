#include "platform/serial/posix/UdevPortList.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <initializer_list>

#include "platform/serial/posix/ErrorText.h"
#include "platform/serial/posix/UdevHandles.h"

namespace posixserial {

namespace {

std::string text(const char* value) {
    return value ? std::string(value) : std::string();
}

std::string property(udev_device* device, const char* name) {
    return text(udev_device_get_property_value(device, name));
}

std::string attribute(udev_device* device, const char* name) {
    return text(udev_device_get_sysattr_value(device, name));
}

std::string trimmed(std::string value) {
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())))
        value.pop_back();
    return value;
}

std::string firstOf(std::initializer_list<std::string> candidates) {
    for (const std::string& candidate : candidates)
        if (!trimmed(candidate).empty()) return trimmed(candidate);
    return {};
}

std::string upper(std::string value) {
    for (char& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return value;
}

// Looks a key up in the hardware database, which is only there where systemd installed it.
std::string fromHwdb(udev_hwdb* hwdb, const std::string& modalias, const char* key) {
    if (!hwdb || modalias.empty()) return {};
    udev_list_entry* entry = udev_hwdb_get_properties_list_entry(hwdb, modalias.c_str(), 0);
    for (; entry; entry = udev_list_entry_get_next(entry))
        if (text(udev_list_entry_get_name(entry)) == key)
            return text(udev_list_entry_get_value(entry));
    return {};
}

// The device that carries the port: the USB device, the PCI card, or the platform device,
// skipping the kernel's own serial-core layers in between.
udev_device* hardwareOf(udev_device* tty) {
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device"))
        return usb;
    udev_device* parent = udev_device_get_parent(tty);
    while (parent && (text(udev_device_get_subsystem(parent)) == "serial-base" ||
                      !udev_device_get_driver(parent)))
        parent = udev_device_get_parent(parent);
    return parent;
}

std::string hardwareAlias(udev_device* hardware) {
    if (text(udev_device_get_subsystem(hardware)) == "usb")
        return "usb:v" + upper(attribute(hardware, "idVendor")) + "p" +
               upper(attribute(hardware, "idProduct"));
    return attribute(hardware, "modalias");
}

bool isRealSerialPort(udev_device* tty) {
    if (!udev_device_get_devnode(tty) || !udev_device_get_parent(tty)) return false;
    // Serial-core registers every possible ttyS; type 0 means no UART answered there.
    std::string type = attribute(tty, "type");
    return type.empty() || std::atoi(type.c_str()) != 0;
}

FoundPort describe(udev_device* tty, udev_hwdb* hwdb) {
    FoundPort port;
    port.path = udev_device_get_devnode(tty);
    udev_device* hardware = hardwareOf(tty);
    std::string alias = hardware ? hardwareAlias(hardware) : std::string();
    std::string driver = hardware ? text(udev_device_get_driver(hardware)) : std::string();
    port.manufacturer = firstOf({property(tty, "ID_VENDOR_FROM_DATABASE"),
                                 fromHwdb(hwdb, alias, "ID_VENDOR_FROM_DATABASE"),
                                 hardware ? attribute(hardware, "manufacturer") : "",
                                 property(tty, "ID_VENDOR"), driver, "unknown"});
    std::string type = attribute(tty, "type");
    port.description = firstOf(
        {property(tty, "ID_MODEL_FROM_DATABASE"), fromHwdb(hwdb, alias, "ID_MODEL_FROM_DATABASE"),
         hardware ? attribute(hardware, "product") : "", property(tty, "ID_MODEL"),
         type.empty() ? "" : uartDescription(std::atoi(type.c_str())), "Serial port"});
    return port;
}

}  // namespace

std::string uartDescription(int type) {
    // The kernel's PORT_* numbers for the common UARTs.
    static const char* const names[] = {
        nullptr, "8250",     "16450",  "16550", "16550A", "Cirrus", "16650",    "16650V2",
        "16750", "Startech", "16C950", "16654", "16850",  "RSA",    "NS16550A", "XScale"};
    if (type <= 0 || type >= static_cast<int>(std::size(names))) return {};
    return std::string(names[type]) + " serial port";
}

std::vector<FoundPort> findSerialPorts() {
    std::vector<FoundPort> found;
    Udev context(udev_new());
    if (!context) {
        failWithErrno(0, "udev_new");
        return found;
    }
    UdevEnumerate enumerate(udev_enumerate_new(context.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        failWithErrno(0, "udev_enumerate tty");
        return found;
    }
    UdevHwdb hwdb(udev_hwdb_new(context.get()));  // absent without systemd's database
    udev_list_entry* entry = udev_enumerate_get_list_entry(enumerate.get());
    for (; entry; entry = udev_list_entry_get_next(entry)) {
        UdevDevice tty(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (tty && isRealSerialPort(tty.get())) found.push_back(describe(tty.get(), hwdb.get()));
    }
    return found;
}

}  // namespace posixserial
