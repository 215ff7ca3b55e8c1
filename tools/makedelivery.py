#!/usr/bin/python3
"""Makes an installer delivery folder from a client folder and a build identity.

The folder holds what the installer expects beside itself:

  install        the installer program
  files.zip      the client files, plus uninstall.exe (the uninstaller),
                 update.exe (the updater) and service.ini; Unix permission
                 bits are kept, so the programs stay executable
  OB.ini         the identity, section [info], GB2312-encoded
  service.ini    the server settings, section [server]
  version        the version text
  OB.ico         the channel logo (a small generated icon unless --icon)
  SPCache        copied into the per-user data folder (placeholder unless --spcache)
  *.dll          the Windows runtime libraries the installer copies; without
                 --runtime these are small text placeholders, since the
                 Linux build needs none of them

Examples:
  makedelivery.py --client client/ --out delivery/ --version 2.0.1
  makedelivery.py --client client/ --out mra/ --third MRARender --name 渠道版 \\
      --name-en "MRA Render" --exe MRARender.exe --mark MRA01 --channel-host 127.0.0.1:8080

Python 3 standard library only.
"""

import argparse
import os
import shutil
import stat
import struct
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
RUNTIME_LIBRARIES = ["icudt52.dll", "icuin52.dll", "icuuc52.dll", "msvcp100.dll", "msvcr100.dll",
                     "Qt5Core.dll", "Qt5Gui.dll", "Qt5Widgets.dll"]
CLIENT_EXE = "OmbrixVPL.exe"


class DeliveryError(Exception):
    pass


def default_bin():
    build = os.environ.get("OMBRIX_BUILD_DIR") or os.path.join(os.path.dirname(HERE), "build")
    return os.path.join(build, "bin")


def ini_value(text):
    """A value as Qt's INI reader takes it back unchanged."""
    if text and (any(c in text for c in ',;"=\\#') or text != text.strip()):
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'
    return text


def ini_text(section, pairs):
    lines = ["[%s]" % section] + ["%s=%s" % (k, ini_value(v)) for k, v in pairs if v is not None]
    return "\r\n".join(lines) + "\r\n"


def icon_bytes(size=16, rgb=(0x16, 0x7e, 0xf1)):
    """A one-image .ico: a ring on a coloured square, 32-bit colour."""
    pixels = bytearray()
    centre = (size - 1) / 2.0
    for y in reversed(range(size)):  # bottom-up rows
        for x in range(size):
            d = ((x - centre) ** 2 + (y - centre) ** 2) ** 0.5
            ring = size * 0.22 <= d <= size * 0.36
            r, g, b = (255, 255, 255) if ring else rgb
            pixels += bytes((b, g, r, 255))
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + bytes(pixels) + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + image


def zip_entry(archive, path, name):
    st = os.lstat(path)
    info = zipfile.ZipInfo.from_file(path, name)
    info.create_system = 3  # Unix, so the permission bits are read back
    info.external_attr = (st.st_mode & 0xFFFF) << 16
    if stat.S_ISLNK(st.st_mode):
        archive.writestr(info, os.readlink(path))
    elif stat.S_ISDIR(st.st_mode):
        info.external_attr |= 0x10  # the MS-DOS folder flag
        archive.writestr(info, b"")
    else:
        info.compress_type = zipfile.ZIP_DEFLATED
        with open(path, "rb") as source, archive.open(info, "w") as target:
            shutil.copyfileobj(source, target, 1024 * 1024)


def write_files_zip(target, client, extras):
    """extras: archive name -> source path; they replace client files of that name."""
    with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
        for folder, dirs, files in os.walk(client):
            dirs.sort()
            rel = os.path.relpath(folder, client)
            prefix = "" if rel == "." else rel.replace(os.sep, "/") + "/"
            if prefix:
                zip_entry(archive, folder, prefix)
            for name in sorted(files) + sorted(d for d in dirs if os.path.islink(os.path.join(folder, d))):
                if prefix + name not in extras:
                    zip_entry(archive, os.path.join(folder, name), prefix + name)
            dirs[:] = [d for d in dirs if not os.path.islink(os.path.join(folder, d))]
        for name, source in extras.items():
            zip_entry(archive, source, name)


def required_file(path, what, option):
    if not path or not os.path.isfile(path):
        raise DeliveryError("%s not found: %s (build it, or name it with %s)" % (what, path, option))
    return path


def make(args):
    client = os.path.abspath(args.client)
    if not os.path.isdir(client):
        raise DeliveryError("client folder not found: %s" % client)
    if not os.path.isfile(os.path.join(client, CLIENT_EXE)):
        raise DeliveryError("client folder has no %s: %s" % (CLIENT_EXE, client))
    installer = required_file(args.installer or os.path.join(args.bin, "install"), "installer", "--installer")
    uninstaller = required_file(args.uninstaller or os.path.join(args.bin, "uninstall"), "uninstaller", "--uninstaller")
    updater = required_file(args.updater or os.path.join(args.bin, "update"), "updater", "--updater")
    for option, path in (("--icon", args.icon), ("--spcache", args.spcache)):
        if path:
            required_file(path, option[2:], option)
    if args.runtime and not os.path.isdir(args.runtime):
        raise DeliveryError("runtime folder not found: %s" % args.runtime)

    identity = [("exe", args.exe), ("name", args.name), ("nameEN", args.name_en), ("third", args.third),
                ("mark", args.mark), ("lang", args.lang)]
    try:
        ob_ini = ini_text("info", identity).encode("gb2312")
    except UnicodeEncodeError as e:
        raise DeliveryError("identity text not representable in GB2312: %r" % e.object[e.start:e.end])
    service_ini = ini_text("server", [("bs", args.bs), ("channelHost", args.channel_host),
                                      ("updateHost", args.update_host), ("updateHostEn", args.update_host_en)])

    out = os.path.abspath(args.out)
    if os.path.exists(out) and os.listdir(out):
        if not args.force:
            raise DeliveryError("output folder is not empty: %s (use --force to replace it)" % out)
        shutil.rmtree(out)
    os.makedirs(out, exist_ok=True)

    def write(name, data):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)

    shutil.copy2(installer, os.path.join(out, "install"))
    os.chmod(os.path.join(out, "install"), 0o755)
    write("OB.ini", ob_ini)
    write("service.ini", service_ini.encode("utf-8"))
    write("version", (args.version + "\n").encode("utf-8"))
    write_files_zip(os.path.join(out, "files.zip.part"), client,
                    {"uninstall.exe": uninstaller, "update.exe": updater,
                     "service.ini": os.path.join(out, "service.ini")})
    os.replace(os.path.join(out, "files.zip.part"), os.path.join(out, "files.zip"))
    if args.icon:
        shutil.copyfile(args.icon, os.path.join(out, "OB.ico"))
    else:
        write("OB.ico", icon_bytes())
    if args.spcache:
        shutil.copyfile(args.spcache, os.path.join(out, "SPCache"))
    else:
        write("SPCache", b"placeholder cache of the client\n")
    for name in RUNTIME_LIBRARIES:
        source = os.path.join(args.runtime, name) if args.runtime else None
        if source and os.path.isfile(source):
            shutil.copyfile(source, os.path.join(out, name))
        elif not args.runtime:
            write(name, ("placeholder for the Windows runtime library %s\n" % name).encode())
    return out


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     epilog=__doc__.split("\n\n", 1)[1],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--client", required=True, help="folder of the client files (must hold %s)" % CLIENT_EXE)
    parser.add_argument("--out", required=True, help="delivery folder to make")
    parser.add_argument("--force", action="store_true", help="replace a non-empty output folder")
    identity = parser.add_argument_group("identity (OB.ini)")
    identity.add_argument("--third", default="", help="channel; empty for the general edition, KDRender for Unity")
    identity.add_argument("--name", default="Ombrix云渲染", help="display name (Chinese)")
    identity.add_argument("--name-en", default="Ombrix Cloud Render", help="display name (English)")
    identity.add_argument("--exe", default=CLIENT_EXE, help="file name of the branded client executable")
    identity.add_argument("--mark", default="", help="channel mark sent with the installation report")
    identity.add_argument("--lang", default="zh_cn", help="zh_cn (Chinese) or en_us (English)")
    identity.add_argument("--version", default="2.0.1", help="version text of the delivery")
    servers = parser.add_argument_group("servers (service.ini); an omitted host keeps the programs' built-in default")
    servers.add_argument("--bs", help="base URL of the operations server")
    servers.add_argument("--channel-host", help="host[:port] receiving the installation report")
    servers.add_argument("--update-host", help="host[:port] of the update server")
    servers.add_argument("--update-host-en", help="host[:port] of the second update server")
    programs = parser.add_argument_group("programs and loose files")
    programs.add_argument("--bin", default=default_bin(), help="build output with install, uninstall, update (default %(default)s)")
    programs.add_argument("--installer", help="installer program (default BIN/install)")
    programs.add_argument("--uninstaller", help="uninstaller program, shipped as uninstall.exe (default BIN/uninstall)")
    programs.add_argument("--updater", help="updater program, shipped as update.exe (default BIN/update)")
    programs.add_argument("--runtime", help="folder with the real runtime libraries; missing ones are left out")
    programs.add_argument("--icon", help="OB.ico to ship instead of the generated one")
    programs.add_argument("--spcache", help="SPCache file to ship instead of the placeholder")
    args = parser.parse_args(argv)
    try:
        out = make(args)
    except (DeliveryError, OSError) as e:
        print("makedelivery: %s" % e, file=sys.stderr)
        return 1
    print("makedelivery: %s" % out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
