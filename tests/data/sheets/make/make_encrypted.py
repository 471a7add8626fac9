#!/usr/bin/python3
# encrypted.xls: participants.xls saved by LibreOffice with the password "rahasia" (a FILEPASS record, RC4).
# Needs python3-uno. Run from tests/data/sheets: /usr/bin/python3 make/make_encrypted.py
import os, subprocess, tempfile, time
import uno
from com.sun.star.beans import PropertyValue

def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p

tmp = tempfile.mkdtemp()
office = subprocess.Popen(["soffice", "-env:UserInstallation=file://" + tmp, "--headless", "--invisible",
                           "--accept=socket,host=localhost,port=2083;urp;"])
try:
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(60):
        try:
            ctx = resolver.resolve("uno:socket,host=localhost,port=2083;urp;StarOffice.ComponentContext")
            break
        except Exception:
            time.sleep(0.5)
    desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
    doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath("participants.xls")), "_blank", 0,
                                       (prop("Hidden", True),))
    doc.storeToURL(uno.systemPathToFileUrl(os.path.abspath("encrypted.xls")),
                   (prop("FilterName", "MS Excel 97"), prop("Password", "rahasia")))
    doc.close(True)
    desktop.terminate()
except Exception:
    pass
finally:
    office.wait(timeout=30)
