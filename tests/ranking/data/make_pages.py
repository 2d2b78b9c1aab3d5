#!/usr/bin/env python3
"""Writes the two sample site-information pages used by the ranking tests.

The pages are committed; this script only documents how they were made and
can rebuild them (the output is the same on every run). The figures placed
in each page are listed in PAGES; the expected records next to the pages
were written by hand from those figures.

The marker texts below are those of pageformat/CSiteInfoFormat.h, copied
rather than shared on purpose: the committed pages keep a record of the
format that the C++ code cannot change along with itself.
"""
import random
from pathlib import Path

HERE = Path(__file__).resolve().parent

GLOBE = '<img src="/images/icons/globe-sm.jpg" alt="Global" style="margin-bottom:-2px;"/>'
FLAG = '<img src="/images/flags/us.png" title="United States" alt="United States Flag"/>'

PAGES = [
    {
        'file': 'siteinfo-example.com.html',
        'domain': 'example.com',
        # text placed right after each rank marker
        'global': '\n12,345 </strong>',
        'us': '\n4,567 </strong>',
        'order': ['reach', 'bounce', 'traffic', 'pageviews'],
        'reach': ['1.234%', '1.198%', '1.2%', '1.17%'],
        'traffic': ['11,902', '12,004', '12,345', '13,876'],
        'pageviews': ['0.0412%', '0.0398%', '0.04%', '0.0387%'],
        'bounce': ['41.2%', '40.8%', '41%', '42.3%'],
    },
    {
        'file': 'siteinfo-shop.example.net.html',
        'domain': 'shop.example.net',
        'global': '\n1,734,021 </strong>',
        'us': '\n\n98,765 </strong>',
        'order': ['traffic', 'pageviews', 'reach', 'bounce'],
        'reach': ['&lt; 0.0001%', '&lt; 0.0001%', '0.00012%', '0.0001%'],
        'traffic': ['1,402,117', '1,388,034', '', '2,001,556'],
        'pageviews': ['&lt; 0.00001%', '0.00001%', '0.00001%', '0.00002%'],
        'bounce': ['66%', '64.5%', '61.9%', '63%'],
    },
]

HEADINGS = {
    'reach': 'Estimated percentage of global internet users who visit {d}:',
    'traffic': 'Traffic rank for {d}:',
    'pageviews': 'Estimated percentage of global pageviews on {d}:',
    'bounce': 'Estimated percentage of visits to {d} that consist of a single pageview:',
}
PERIODS = ['Yesterday', '7 day', '1 month', '3 month']

WORDS = ('traffic visitors search engine audience reach keyword upstream site '
         'rank metrics daily monthly report compare country category related '
         'linking content speed load review owner contact privacy terms').split()


def sentence(rng, n):
    return ' '.join(rng.choice(WORDS) for _ in range(n)).capitalize() + '.'


def period_table(cls, figures, rng):
    rows = []
    for period, figure in zip(PERIODS, figures):
        change = rng.choice(['up', 'down'])
        rows.append(f'<tr><th>{period}</th>\n\t<td class="avg ">{figure}</td>\n'
                    f'\t<td class="percent {change}">{rng.randint(1, 40)}%</td></tr>')
    return (f'<table class="{cls}" cellpadding="0" cellspacing="0">\n'
            '<thead><tr><th></th><th>Value</th><th>Change</th></tr></thead>\n<tbody>\n'
            + '\n'.join(rows) + '\n</tbody>\n</table>\n')


def section(kind, page, rng):
    d = page['domain']
    heading = f'<p>{HEADINGS[kind].format(d=d)}</p>\n'
    if kind == 'bounce':
        head = f'<div id="bounce" c="" y="b" class="tw-table">\n{heading}'
    else:
        head = f'<div id="{kind}" class="tw-table">\n{heading}'
    chart = f'<img class="chart" src="/charts/{kind}?d={d}&amp;r=3m" alt="{kind} chart"/>\n'
    return head + period_table(kind, page[kind], rng) + chart + '</div>\n'


def filler_links(rng, count):
    items = []
    for i in range(count):
        host = f'{rng.choice(WORDS)}{rng.randint(1, 999)}.example'
        items.append(f'<li class="site-listing"><a href="/siteinfo/{host}">{host}</a>'
                     f'<span class="desc">{sentence(rng, rng.randint(6, 14))}</span>'
                     f'<span class="count">{rng.randint(1, 90000):,}</span></li>')
    return '<ul class="linksin">\n' + '\n'.join(items) + '\n</ul>\n'


def script_block(rng):
    lines = [f'  var m{i} = {{"k": "{rng.choice(WORDS)}", "v": {rng.randint(0, 10**6)}}};'
             for i in range(120)]
    return '<script type="text/javascript">\n//<![CDATA[\n' + '\n'.join(lines) + '\n//]]>\n</script>\n'


def build(page):
    rng = random.Random(page['domain'])
    d = page['domain']
    parts = [
        '<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" '
        '"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">\n',
        '<html xmlns="http://www.w3.org/1999/xhtml" lang="en">\n<head>\n',
        f'<title>{d} Site Info</title>\n',
        '<meta http-equiv="Content-Type" content="text/html; charset=iso-8859-1"/>\n',
        '<style type="text/css">\n'
        + '\n'.join(f'.c{i} {{ margin: {i % 7}px; color: #{rng.randint(0, 0xffffff):06x}; }}'
                    for i in range(200))
        + '\n</style>\n',
        script_block(rng),
        '</head>\n<body class="siteinfo">\n',
        '<div id="nav"><ul>'
        + ''.join(f'<li><a href="/{w}">{w.capitalize()}</a></li>' for w in WORDS[:12])
        + '</ul></div>\n',
        f'<h1 class="site-title">{d}</h1>\n<p class="intro">{sentence(rng, 30)}</p>\n',
        # A clickstream table with the same period headers comes before the sections.
        '<div id="clickstream">\n<p>Where visitors went next:</p>\n'
        + period_table('clickstream', ['7.1%', '6.9%', '7%', '6.8%'], rng) + '</div>\n',
        '<div id="rank">\n<span class="label">Global Rank</span>\n<strong class="metrics">',
        GLOBE + page['global'] + '\n',
        '<span class="label">Rank in United States</span>\n<strong class="metrics">',
        FLAG + page['us'] + '\n</div>\n',
        filler_links(rng, 180),
    ]
    for kind in page['order']:
        parts.append(section(kind, page, rng))
        parts.append(f'<p class="note">{sentence(rng, 40)}</p>\n')
    parts += [
        '<h2>Sites Linking In</h2>\n', filler_links(rng, 260),
        script_block(rng),
        '<div id="footer"><p>' + sentence(rng, 60) + '</p></div>\n</body>\n</html>\n',
    ]
    return ''.join(parts)


if __name__ == '__main__':
    for page in PAGES:
        (HERE / page['file']).write_bytes(build(page).encode('latin-1'))
