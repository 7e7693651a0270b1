#!/usr/bin/env python3
"""Makes browser databases of today's schemas by driving Debian's chromium and
firefox-esr headless on pages served from 127.0.0.1, for the tests of the
downloads, searches, cookies and bookmarks readers.

  make_browser_databases.py OUT

writes OUT/chromium/{History,Cookies} and
OUT/firefox/{places.sqlite,cookies.sqlite,formhistory.sqlite} (with their
-wal files where the browser left one), and OUT/made.txt saying which browser
wrote what. Every record is written by the browser itself:
- Chromium: visits, a download (a page that clicks a link served as an
  attachment), a search (a visit to the address of a default search engine
  set in the profile's preferences before the start, which Chromium records
  as a keyword search term) and cookies (Set-Cookie headers);
- Firefox, driven through its remote protocol: visits, a download, a field
  typed into and sent (its form history), cookies, and, through the
  browser's own services as its user interface calls them, a bookmark and
  an entry of the search bar's history (Firefox keeps a page's field of that
  name out of it).
Chromium's Bookmarks file cannot be written without its user interface; the
host tests write that one themselves.

Exits 77 when a browser is missing, so a test can skip saying why.
"""
import http.server
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

PAGE = ('<html><head><meta charset="utf-8"><title>{title}</title></head>'
        '<body>{body}</body></html>')


class Pages(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path
        if path.startswith('/file.bin'):
            self.reply(b'glimmerlog test download\n' * 200, 'application/octet-stream',
                       [('Content-Disposition', 'attachment; filename="report.bin"')])
            return
        if path.startswith('/download.html'):
            body = ('<a id="a" href="/file.bin">report</a>'
                    '<script>document.getElementById("a").click()</script>')
            title = 'Download'
        elif path.startswith('/form.html'):
            body = ('<form action="/search" method="get">'
                    '<input type="text" name="q" id="q"></form>')
            title = 'Search form'
        elif path.startswith('/search'):
            body, title = 'results', 'Results'
        else:
            body, title = 'page', 'Seite 1 \u2013 \u00dcn\u00efc\u00f8d\u00e9 \u65e5\u672c'
        # Both persistent: a browser drops session cookies when it starts
        # again, so whether one is on disk would depend on when it wrote last.
        cookies = [('Set-Cookie', 'signin=1; Path=/; Max-Age=86400; HttpOnly; SameSite=Strict'),
                   ('Set-Cookie', 'kept=1; Path=/docs; Max-Age=86400; SameSite=Lax')]
        self.reply(PAGE.format(title=title, body=body).encode(), 'text/html; charset=utf-8', cookies)

    def reply(self, body, kind, headers):
        self.send_response(200)
        self.send_header('Content-Type', kind)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def wait_for(predicate, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.2)
    return predicate()


def stop(process, seconds=15):
    """Asks the browser to end as a user's session ends (SIGTERM lets both
    write what they hold), then waits; kills it only if it does not end."""
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
    try:
        process.wait(seconds)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def chromium(base, work, out):
    profile = os.path.join(work, 'chromium')
    downloads = os.path.join(work, 'chromium-downloads')
    os.makedirs(os.path.join(profile, 'Default'))
    os.makedirs(downloads)
    prefs = {
        'download': {'default_directory': downloads, 'prompt_for_download': False},
        'default_search_provider_data': {'template_url_data': {
            'keyword': 'local', 'short_name': 'Local', 'id': '99', 'prepopulate_id': 0,
            'url': base + '/search?q={searchTerms}', 'input_encodings': ['UTF-8']}},
    }
    with open(os.path.join(profile, 'Default', 'Preferences'), 'w') as f:
        json.dump(prefs, f)
    flags = ['chromium', '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--user-data-dir=' + profile]
    quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for url in (base + '/page1.html', base + '/search?q=glimmer+t%C3%A9st'):
        subprocess.run(flags + ['--dump-dom', url], timeout=60, check=True, **quiet)
    # The download: the browser keeps running until the file is there, then
    # a few seconds more so that the history records it finished.
    process = subprocess.Popen(flags + [base + '/download.html'], **quiet)
    got = wait_for(lambda: os.path.exists(os.path.join(downloads, 'report.bin')), 60)
    time.sleep(3)
    stop(process)
    if not got:
        raise RuntimeError('Chromium did not download the file')
    # One more run so that the history of the last one is surely written.
    subprocess.run(flags + ['--dump-dom', base + '/page2.html'], timeout=60, check=True, **quiet)
    os.makedirs(os.path.join(out, 'chromium'))
    default = os.path.join(profile, 'Default')
    for name in ('History', 'Cookies', os.path.join('Network', 'Cookies')):
        source = os.path.join(default, name)
        if os.path.exists(source):
            shutil.copyfile(source, os.path.join(out, 'chromium', os.path.basename(name)))
            if os.path.exists(source + '-wal'):
                shutil.copyfile(source + '-wal', os.path.join(out, 'chromium', os.path.basename(name) + '-wal'))
    return subprocess.run(['chromium', '--version'], capture_output=True, text=True).stdout.strip()


class Marionette:
    """The few commands of Firefox's remote protocol used here: messages are
    'length:json', commands [0, id, name, parameters], answers
    [1, id, error, result]."""

    def __init__(self, port):
        self.sock = socket.create_connection(('127.0.0.1', port), timeout=30)
        self.file = self.sock.makefile('rb')
        self.next = 0
        self.read()  # the greeting

    def read(self):
        length = b''
        while not length.endswith(b':'):
            c = self.file.read(1)
            if not c:
                raise RuntimeError('Firefox closed its remote connection')
            length += c
        return json.loads(self.file.read(int(length[:-1])))

    def call(self, name, params=None):
        self.next += 1
        data = json.dumps([0, self.next, name, params or {}]).encode()
        self.sock.sendall(str(len(data)).encode() + b':' + data)
        while True:
            answer = self.read()
            if answer[0] == 1 and answer[1] == self.next:
                if answer[2]:
                    raise RuntimeError('%s: %s' % (name, answer[2]))
                return answer[3]

    def close(self):
        self.file.close()
        self.sock.close()


def _raise(answer):
    raise RuntimeError('Firefox refused: %r' % (answer,))


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def firefox(base, work, out):
    profile = os.path.join(work, 'firefox')
    downloads = os.path.join(work, 'firefox-downloads')
    os.makedirs(profile)
    os.makedirs(downloads)
    port = free_port()
    prefs = {
        'browser.download.folderList': 2,
        'browser.download.dir': downloads,
        'browser.download.useDownloadDir': True,
        'browser.download.always_ask_before_handling_new_types': False,
        'browser.helperApps.neverAsk.saveToDisk': 'application/octet-stream',
        'browser.shell.checkDefaultBrowser': False,
        'datareporting.policy.dataSubmissionEnabled': False,
        'toolkit.telemetry.reportingpolicy.firstRun': False,
        'app.update.enabled': False,
        'browser.startup.homepage_override.mstone': 'ignore',
        'marionette.port': port,
    }
    with open(os.path.join(profile, 'user.js'), 'w') as f:
        for name, value in prefs.items():
            f.write('user_pref(%s, %s);\n' % (json.dumps(name), json.dumps(value)))
    process = subprocess.Popen(['firefox-esr', '--headless', '--no-remote', '--marionette', '-remote-allow-system-access',
                                '--profile', profile],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        def connect():
            try:
                socket.create_connection(('127.0.0.1', port), timeout=1).close()
                return True
            except OSError:
                return False
        if not wait_for(connect, 60):
            raise RuntimeError('Firefox did not open its remote port')
        m = Marionette(port)
        # Navigations return at once (a download never "loads"); what each
        # waits for is waited for below.
        m.call('WebDriver:NewSession', {'capabilities': {'alwaysMatch': {'pageLoadStrategy': 'none'}}})
        m.call('WebDriver:Navigate', {'url': base + '/page1.html'})
        wait_for(lambda: False, 2)
        # Navigating by the remote command to a page that downloads does not
        # return; the page's own script goes there.
        m.call('WebDriver:ExecuteScript', {'script': 'location.href = arguments[0];',
                                           'args': [base + '/download.html']})
        if not wait_for(lambda: os.path.exists(os.path.join(downloads, 'report.bin')), 60):
            raise RuntimeError('Firefox did not download the file')
        # A field typed into and sent: Firefox keeps it in its form history
        # under the field's name.
        m.call('WebDriver:Navigate', {'url': base + '/form.html'})
        m.call('WebDriver:SetTimeouts', {'implicit': 20000})
        field = m.call('WebDriver:FindElement', {'using': 'css selector', 'value': '#q'})['value']
        element = next(iter(field.values()))
        m.call('WebDriver:ElementSendKeys', {'id': element, 'text': 'glimmer form'})
        m.call('WebDriver:ElementSendKeys', {'id': element, 'text': '\ue007'})  # Enter
        wait_for(lambda: os.path.exists(os.path.join(profile, 'formhistory.sqlite')), 20)
        m.call('Marionette:SetContext', {'value': 'chrome'})
        checked = lambda answer: answer.get('value') is True or _raise(answer)
        checked(m.call('WebDriver:ExecuteAsyncScript', {'script': (
            'const [url, done] = arguments;'
            'const { PlacesUtils } = ChromeUtils.importESModule("resource://gre/modules/PlacesUtils.sys.mjs");'
            'PlacesUtils.bookmarks.insert({parentGuid: PlacesUtils.bookmarks.toolbarGuid, url,'
            ' title: "Glimmerlog test bookmark"}).then(() => done(true), e => done(String(e)));'),
            'args': [base + '/page1.html']}))
        # A page cannot write the search bar's history (Firefox ignores a
        # field of that name on a page): its own form history service does,
        # as the search bar calls it.
        checked(m.call('WebDriver:ExecuteAsyncScript', {'script': (
            'const [done] = arguments;'
            'const { FormHistory } = ChromeUtils.importESModule("resource://gre/modules/FormHistory.sys.mjs");'
            'FormHistory.update({op: "add", fieldname: "searchbar-history", value: "glimmer s\u00f6k"})'
            '.then(() => done(true), e => done(String(e)));'), 'args': []}))
        m.call('WebDriver:ExecuteAsyncScript', {'script': (
            'const [done] = arguments;'
            'Services.startup.quit(Ci.nsIAppStartup.eAttemptQuit); done(true);'), 'args': []})
        m.close()
        process.wait(30)
    finally:
        stop(process)
    os.makedirs(os.path.join(out, 'firefox'))
    for name in ('places.sqlite', 'cookies.sqlite', 'formhistory.sqlite'):
        for suffix in ('', '-wal'):
            source = os.path.join(profile, name + suffix)
            if os.path.exists(source):
                shutil.copyfile(source, os.path.join(out, 'firefox', name + suffix))
    return subprocess.run(['firefox-esr', '--version'], capture_output=True, text=True).stdout.strip()


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    missing = [b for b in ('chromium', 'firefox-esr') if not shutil.which(b)]
    if missing:
        print('not installed: ' + ', '.join(missing), file=sys.stderr)
        return 77
    out = sys.argv[1]
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = 'http://127.0.0.1:%d' % server.server_address[1]
    work = tempfile.mkdtemp(prefix='glimmerlog-browsers-')
    # The browsers keep their caches and settings under HOME.
    os.environ['HOME'] = work
    try:
        made = [chromium(base, work, out), firefox(base, work, out)]
    finally:
        server.shutdown()
        shutil.rmtree(work, ignore_errors=True)
    with open(os.path.join(out, 'made.txt'), 'w') as f:
        f.write('\n'.join(made) + '\n')
    return 0


if __name__ == '__main__':
    sys.exit(main())
