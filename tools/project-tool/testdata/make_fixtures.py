#!/usr/bin/python3
# Writes the project files the tool's test reads: one project in each of
# the three formats, and the JSON that dumping any of them prints.
import struct, zlib

def el(name, inner): return "<%s>%s</%s>" % (name, inner, name)
def esc(s): return s.replace("&", "&&").replace("<", "&<").replace(">", "&>").replace("/", "&/")
def s(name, v): return el(name, "\0" + esc(v))
def i(name, v): return el(name, "\1" + str(v))
def f(name, v): return el(name, "\2" + v)

link0 = el("Link0", f("Cost", "-1") + s("Name", "http://example.com/a?b=1&c=2") + i("Page", 1) +
           i("Position", 1) + s("Title", "Example \u4e2d\u6587 \"quoted\""))
link1 = el("Link1", f("Cost", "0.25") + s("Name", "http://other.org/") + i("Page", 2) +
           i("Position", 11) + s("Title", ""))
kw0 = el("Keyword0", i("Active", -1) + i("Best", 1) + s("Date", "45000") + i("LastPosition", 3) +
         el("Links", link0 + link1) + s("Name", "caf\u00e9 tools") + i("Position", 1))
kw1 = el("Keyword1", i("Active", 0) + i("Best", 0) + s("Date", "0") + i("LastPosition", 0) +
         el("Links", "") + s("Name", "line\tbreak") + i("Position", 0))
site0 = el("Site0", el("Keywords", kw0 + kw1) + s("Notes", "first\r\nnote </x>") + s("URL", "example.com"))
site1 = el("Site1", el("Keywords", "") + s("Notes", "") + s("URL", "b.org"))
text = el("DocumentRoot", el("Sites", site0 + site1)).encode("utf-16-le")

def write(name, magic, length, payload):
    with open(name, "wb") as out:
        out.write(magic.encode("ascii") + struct.pack("<I", length) + payload)

write("sample2008.spj", "SERPLOW PROJECT FILE 2008", len(text), text)
write("sample2007.spj", "SERPLOW PROJECT FILE 2007", len(text), zlib.compress(text))

def a(v): return v.replace("&", "&amp;").replace("<", "&lt;").replace("\"", "&quot;").replace("\r", "&#13;").replace("\n", "&#10;").replace("\t", "&#9;")
xml = ('<?xml version="1.0" encoding="windows-1251"?><Project><Sites>'
       '<Site0 URL="example.com" Notes="%s"><Keywords>'
       '<Keyword0 Name="%s" Position="1" LastPosition="3" Best="1" Active="1" Date="45000"><Links>'
       '<Link0 Name="%s" Title="%s" Description="dropped" Position="1" Page="1" Cost="-1"/>'
       '<Link1 Name="http://other.org/" Title="" Position="11" Page="2" Cost="0.25"/></Links></Keyword0>'
       '<Keyword1 Name="%s" Position="0" LastPosition="0" Best="0" Active="0" Date="0"/>'
       '</Keywords></Site0><Site1 URL="b.org" Notes=""/></Sites></Project>') % (
    a("first\r\nnote </x>"), a("caf\u00e9 tools"), a("http://example.com/a?b=1&c=2"),
    a("Example \u4e2d\u6587 \"quoted\""), a("line\tbreak"))
xmltext = xml.encode("utf-16-le")
write("sample2004.spj", "SERPLOW PROJECT FILE 2004", len(xmltext), zlib.compress(xmltext))

with open("sample.json", "wb") as out:
    out.write(('{"sites":[{"url":"example.com","notes":"first\\r\\nnote </x>","keywords":['
               '{"name":"caf\u00e9 tools","position":1,"lastPosition":3,"best":1,"active":true,"date":45000,"links":['
               '{"name":"http://example.com/a?b=1&c=2","title":"Example \u4e2d\u6587 \\"quoted\\"","position":1,"page":1,"cost":-1},'
               '{"name":"http://other.org/","title":"","position":11,"page":2,"cost":0.25}]},'
               '{"name":"line\\tbreak","position":0,"lastPosition":0,"best":0,"active":false,"date":0,"links":[]}]},'
               '{"url":"b.org","notes":"","keywords":[]}]}\n').encode("utf-8"))
with open("garbage.spj", "wb") as out:
    out.write(b"SERPLOW PROJECT FILE 2008" + struct.pack("<I", 8) + "<Doc".encode("utf-16-le"))
