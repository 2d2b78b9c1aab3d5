<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CCsvWriter</name>
    <message>
        <source>Could not export to %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CMoverRow</name>
    <message>
        <source>no change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>up %1 (%2%)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>down %1 (%2%)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CRankChart</name>
    <message>
        <source>Rank (log scale, best at the top)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CRunMoves</name>
    <message>
        <source>Biggest moves: none against an earlier record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Biggest moves: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CTrendFigure</name>
    <message>
        <source>Global Rank</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>US Rank</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>7 Day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 Month</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3 Month</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CTrendPeriod</name>
    <message>
        <source>All history</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>end</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CUserGuide</name>
    <message>
        <source>About Sorvane</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;h3&gt;Sorvane %1&lt;/h3&gt;&lt;p&gt;Keeps a list of internet domains and a browsable history of their traffic-ranking figures.&lt;/p&gt;&lt;p&gt;Copyright &amp;copy; 2026 The Sorvane developers.&lt;br&gt;Sorvane is free software under the MIT licence; it comes with no warranty.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Where the figures come from.&lt;/b&gt; Sorvane asks a ranking service for them. It was written for the Alexa web-ranking service, which has been retired; it now asks its own local service, sorvane-rankd, which computes them from the daily top-sites lists in its lists folder. Each such list stays under the licence and terms of the one who published it, and so do the figures derived from it: read those terms before you share them. The sample lists that sorvane-rankd generates are made up and carry Sorvane&apos;s own licence.&lt;/p&gt;&lt;p&gt;Sorvane uses the Qt toolkit under the GNU LGPL version 3 (see Help &amp;rarr; About Qt).&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The domain the figures are for</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The domain&apos;s traffic rank among all sites worldwide (1 is the most visited)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The domain&apos;s traffic rank among the sites visited from the United States</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The domain&apos;s traffic rank yesterday; with Alexa Data → Rank unchecked, its reach: the percentage of internet users who visited it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The domain&apos;s traffic rank over the last 7 days; with Alexa Data → Rank unchecked, its reach over them</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The domain&apos;s traffic rank over the last month; with Alexa Data → Rank unchecked, its reach over it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The domain&apos;s traffic rank over the last 3 months; with Alexa Data → Rank unchecked, its reach over them</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The day the figures were fetched</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No history yet: press Perform Query to fetch today&apos;s figures for 1 domain.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No history yet: press Perform Query to fetch today&apos;s figures for %1 domains.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ChartWindow</name>
    <message>
        <source>Sorvane - Chart</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Figure:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Period:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save &amp;PNG...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save &amp;SVG...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter domains</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All history</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Picked in the tree (none)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From / to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Domain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Newest</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Best</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Worst</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Positions gained since the start of the period: + is an improvement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Picked in the tree: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SVG image (*.svg)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Chart</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The chart could not be saved to %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Sorvane</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fetch today&apos;s figures for every domain in the list (F5)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Perform Query</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add domains to the list or delete them (Ctrl+M)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manage Domains</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alexa Data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Import Urls</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+I</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+E</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Chart</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+G</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rank</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+M</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;About Sorvane</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About &amp;Qt</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ManageDomains</name>
    <message>
        <source>Manage Domains</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Domain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please provide a domain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; was not added: a domain name cannot contain &quot;,&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The domain was not added: a domain name cannot contain control or format characters.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The domain was not added: a domain name has at most %1 characters.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
