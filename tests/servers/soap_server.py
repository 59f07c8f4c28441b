"""A local stand-in for the SOAP search interface (urn:GoogleSearch, SOAP 1.1
rpc/encoded) for the SOAP road's tests.

    /usr/bin/python3 soap_server.py PORT

Serves 127.0.0.1 until it is terminated.

POST (any path) takes a request envelope and answers doGoogleSearch,
doSpellingSuggestion and doGetCachedPage. A request that is no envelope of
one of these gets a Client fault. An empty key gets the fault "Invalid
authorization key".

doGoogleSearch answers the page of results from `start` + 1 on, `maxResults`
at most (10 when more is asked). Words of q written as name:value choose
what the server does; the other words are the keyword itself:

    at:N          the tracked site (SITE below) is result N
    total:N       the number of results (default 100)
    fault:daily   every call answers the fault of a used-up daily limit
    failpage:N    the call for page N (start (N - 1) * 10) answers a fault
    status:CODE   every call answers that HTTP status with a plain text body
    garbage       every call answers status 200 with a body that is no XML
    multiref      the answer is written with multiRef elements and href
                  references, as some SOAP stacks write rpc/encoded answers
    extra         pages hold 12 results instead of 10

Result i is http://www.result-i.test/page-i.html titled "Result i for
KEYWORD" with the snippet "About <b>KEYWORD</b>" (escaped in the XML);
the tracked site's result is http://www.example-site.test/home.html titled
"Example site: KEYWORD". Answers are UTF-8.

doSpellingSuggestion answers "suggested " + phrase; doGetCachedPage answers
the bytes "<html>cached URL</html>" (UTF-8) in Base64.

GET /GoogleSearch.wsdl answers a service description whose port
GoogleSearchPort of GoogleSearchService is this server's /search/beta2.

GET /calls answers the calls seen since the last reset, one line per call
(UTF-8), its fields separated by tabs: the operation, the SOAPAction header,
the Content-Type header, q as it was sent (the bytes between its tags), then
one field per argument: its name, "=", its xsi:type, "=", its text. GET
/reset forgets them.
"""
import base64
import http.server
import re
import socketserver
import sys
import threading
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape

SITE = "www.example-site.test"
ENV = "http://schemas.xmlsoap.org/soap/envelope/"
XSI = "http://www.w3.org/2001/XMLSchema-instance"
NS = "urn:GoogleSearch"


class State:
    lock = threading.Lock()
    calls = []
    port = 0


def local(tag):
    return tag.rsplit("}", 1)[-1]


def envelope(body):
    return ("<?xml version='1.0' encoding='UTF-8'?>\n"
            f'<SOAP-ENV:Envelope xmlns:SOAP-ENV="{ENV}" '
            'xmlns:xsi="http://www.w3.org/1999/XMLSchema-instance" '
            'xmlns:xsd="http://www.w3.org/1999/XMLSchema">\n'
            f"<SOAP-ENV:Body>\n{body}\n</SOAP-ENV:Body>\n</SOAP-ENV:Envelope>\n")


def fault(code, text):
    return envelope(f"<SOAP-ENV:Fault><faultcode>{code}</faultcode>"
                    f"<faultstring>{escape(text)}</faultstring>"
                    "<faultactor>/search/beta2</faultactor>"
                    f"<detail><stackTrace>{escape(text)}</stackTrace></detail>"
                    "</SOAP-ENV:Fault>")


def response(operation, value):
    return envelope(f'<ns1:{operation}Response xmlns:ns1="{NS}" SOAP-ENV:encodingStyle='
                    f'"http://schemas.xmlsoap.org/soap/encoding/">\n{value}\n'
                    f"</ns1:{operation}Response>")


def string(name, text):
    return f'<{name} xsi:type="xsd:string">{escape(text)}</{name}>'


def parse_keyword(text):
    options, words = {}, []
    for word in text.split():
        name, colon, value = word.partition(":")
        if name in ("at", "total", "fault", "failpage", "status") and colon:
            options[name] = value
        elif word in ("garbage", "multiref", "extra"):
            options[word] = True
        else:
            words.append(word)
    return " ".join(words), options


def result_rows(keyword, options, start, count):
    total = int(options.get("total", "100"))
    at = int(options.get("at", "0"))
    rows = []
    for i in range(start + 1, min(total, start + count) + 1):
        if i == at:
            rows.append((f"http://{SITE}/home.html", f"Example site: {keyword}",
                         f"The <b>{keyword}</b> site"))
        else:
            rows.append((f"http://www.result-{i}.test/page-{i}.html", f"Result {i} for {keyword}",
                         f"About <b>{keyword}</b>"))
    return rows


def element_fields(url, title, snippet):
    return "".join([
        string("summary", ""), string("URL", url), string("snippet", snippet),
        string("title", title), string("cachedSize", "12k"),
        '<relatedInformationPresent xsi:type="xsd:boolean">true</relatedInformationPresent>',
        string("hostName", ""),
        '<directoryCategory xsi:type="ns1:DirectoryCategory">' + string("fullViewableName", "") +
        string("specialEncoding", "") + "</directoryCategory>",
        string("directoryTitle", "")])


def search_fields(q, start, rows, elements):
    return "".join([
        '<documentFiltering xsi:type="xsd:boolean">false</documentFiltering>',
        string("searchComments", ""),
        '<estimatedTotalResultsCount xsi:type="xsd:int">100</estimatedTotalResultsCount>',
        '<estimateIsExact xsi:type="xsd:boolean">false</estimateIsExact>',
        elements,
        string("searchQuery", q),
        f'<startIndex xsi:type="xsd:int">{start + 1}</startIndex>',
        f'<endIndex xsi:type="xsd:int">{start + len(rows)}</endIndex>',
        string("searchTips", ""),
        '<directoryCategories xmlns:enc="http://schemas.xmlsoap.org/soap/encoding/" '
        'xsi:type="enc:Array" enc:arrayType="ns1:DirectoryCategory[0]"></directoryCategories>',
        '<searchTime xsi:type="xsd:double">0.125</searchTime>'])


def array_head(count):
    return ('xmlns:enc="http://schemas.xmlsoap.org/soap/encoding/" xsi:type="enc:Array" '
            f'enc:arrayType="ns1:ResultElement[{count}]"')


def search_result(q, start, rows, multiref):
    if not multiref:
        items = "".join(f'<item xsi:type="ns1:ResultElement">{element_fields(*row)}</item>'
                        for row in rows)
        elements = f"<resultElements {array_head(len(rows))}>{items}</resultElements>"
        return (f'<return xsi:type="ns1:GoogleSearchResult">'
                f"{search_fields(q, start, rows, elements)}</return>")
    # The result, its array and each element as separate multiRef values.
    refs = "".join(f'<item href="#id{i + 2}"/>' for i in range(len(rows)))
    elements = f'<resultElements href="#id1"/>'
    multirefs = [f'<multiRef id="id0" xsi:type="ns1:GoogleSearchResult">'
                 f"{search_fields(q, start, rows, elements)}</multiRef>",
                 f'<multiRef id="id1" {array_head(len(rows))}>{refs}</multiRef>']
    for i, row in enumerate(rows):
        multirefs.append(f'<multiRef id="id{i + 2}" xsi:type="ns1:ResultElement">'
                         f"{element_fields(*row)}</multiRef>")
    return '<return href="#id0"/>', "\n".join(multirefs)


WSDL = """<?xml version="1.0"?>
<definitions name="GoogleSearch" targetNamespace="urn:GoogleSearch"
    xmlns="http://schemas.xmlsoap.org/wsdl/"
    xmlns:soap="http://schemas.xmlsoap.org/wsdl/soap/">
  <service name="OtherService">
    <port name="GoogleSearchPort" binding="typens:GoogleSearchBinding">
      <soap:address location="http://127.0.0.1:1/wrong"/>
    </port>
  </service>
  <service name="GoogleSearchService">
    <port name="OtherPort" binding="typens:GoogleSearchBinding">
      <soap:address location="http://127.0.0.1:1/wrong"/>
    </port>
    <port name="GoogleSearchPort" binding="typens:GoogleSearchBinding">
      <soap:address location="http://127.0.0.1:{port}/search/beta2"/>
    </port>
  </service>
</definitions>
"""


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, code, body, content_type="text/xml; charset=utf-8"):
        data = body.encode("utf-8") if isinstance(body, str) else body
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        if self.path == "/calls":
            with State.lock:
                lines = ["\t".join([call["operation"], call["action"], call["content_type"],
                                    call["raw_q"]] +
                                   [f"{name}={call['types'][name]}={value}"
                                    for name, value in call["args"].items()])
                         for call in State.calls]
            self.reply(200, "".join(line + "\n" for line in lines), "text/plain; charset=utf-8")
        elif self.path == "/reset":
            with State.lock:
                State.calls.clear()
            self.reply(200, "reset", "text/plain")
        elif self.path == "/GoogleSearch.wsdl":
            self.reply(200, WSDL.replace("{port}", str(State.port)))
        else:
            self.reply(404, "not found", "text/plain")

    def do_POST(self):
        raw = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        try:
            root = ET.fromstring(raw)
            body = root.find(f"{{{ENV}}}Body")
            call = body[0]
        except (ET.ParseError, TypeError, IndexError):
            self.reply(500, fault("SOAP-ENV:Client", "The request is no SOAP envelope"))
            return
        operation = local(call.tag)
        args = {local(child.tag): child.text or "" for child in call}
        types = {local(child.tag): child.get(f"{{{XSI}}}type", "") for child in call}
        raw_q = re.search(rb"<q[^>]*>(.*?)</q>", raw, re.S)
        with State.lock:
            State.calls.append({
                "operation": operation, "args": args, "types": types,
                "action": self.headers.get("SOAPAction", ""),
                "content_type": self.headers.get("Content-Type", ""),
                "raw_q": raw_q.group(1).decode("latin-1") if raw_q else ""})
        if not call.tag.startswith(f"{{{NS}}}"):
            self.reply(500, fault("SOAP-ENV:Client", f"No such operation: {call.tag}"))
            return
        if not args.get("key"):
            self.reply(500, fault("SOAP-ENV:Server",
                                  "Exception from service object: Invalid authorization key"))
            return
        if operation == "doSpellingSuggestion":
            self.reply(200, response(operation,
                                     string("return", "suggested " + args.get("phrase", ""))))
        elif operation == "doGetCachedPage":
            page = base64.b64encode(f"<html>cached {args.get('url', '')}</html>".encode("utf-8"))
            self.reply(200, response(operation,
                                     f'<return xsi:type="xsd:base64Binary">{page.decode()}'
                                     "</return>"))
        elif operation == "doGoogleSearch":
            self.search(args)
        else:
            self.reply(500, fault("SOAP-ENV:Client", f"No such operation: {operation}"))

    def search(self, args):
        q = args.get("q", "")
        keyword, options = parse_keyword(q)
        start = int(args.get("start") or 0)
        size = min(int(args.get("maxResults") or 10), 10)
        if "status" in options:
            self.reply(int(options["status"]), "The service is not here", "text/plain")
        elif "garbage" in options:
            self.reply(200, "<html><body>Not an envelope", "text/html")
        elif options.get("fault") == "daily":
            self.reply(500, fault("SOAP-ENV:Server", "Exception from service object: Daily limit "
                                  f"of 1000 queries exceeded for key {args['key']}"))
        elif "failpage" in options and start == (int(options["failpage"]) - 1) * 10:
            self.reply(500, fault("SOAP-ENV:Server",
                                  "Exception from service object: The service is busy"))
        else:
            rows = result_rows(keyword, options, start, 12 if "extra" in options else size)
            result = search_result(q, start, rows, "multiref" in options)
            if isinstance(result, tuple):
                body = response("doGoogleSearch", result[0])
                body = body.replace("</SOAP-ENV:Body>", result[1] + "\n</SOAP-ENV:Body>")
            else:
                body = response("doGoogleSearch", result)
            self.reply(200, body)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    State.port = int(sys.argv[1])
    Server(("127.0.0.1", State.port), Handler).serve_forever()


if __name__ == "__main__":
    main()
