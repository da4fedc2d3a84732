<?xml version="1.0" encoding="UTF-8"?>
<!-- Corvane Agent history export as a simple HTML page styled by "tarvenholt.css", which the
     export places beside the page. The page is written in Windows-1252; characters outside it
     become character references. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="windows-1252" indent="yes"
              doctype-public="-//W3C//DTD HTML 4.01//EN" doctype-system="http://www.w3.org/TR/html4/strict.dtd"/>
  <xsl:strip-space elements="*"/>
  <xsl:key name="agent" match="/corvane-pro/agents/agent" use="@id"/>

  <xsl:template match="/">
    <xsl:apply-templates select="corvane-pro"/>
  </xsl:template>

  <xsl:template match="corvane-pro">
    <html>
      <head>
        <title>Corvane - <xsl:value-of select="period"/></title>
        <link rel="stylesheet" type="text/css" href="tarvenholt.css"/>
      </head>
      <body>
        <h1><xsl:value-of select="period"/></h1>
        <p class="filter"><xsl:value-of select="filter/caption"/></p>
        <table class="history">
          <thead>
            <tr>
              <xsl:for-each select="cols/*">
                <th class="{local-name()}"><xsl:value-of select="."/></th>
              </xsl:for-each>
            </tr>
          </thead>
          <tbody>
            <xsl:apply-templates select="assistances/assistance"/>
          </tbody>
        </table>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="assistance">
    <xsl:variable name="agent" select="key('agent', agent-id)"/>
    <tr class="{client-request-type}">
      <td class="id"><xsl:value-of select="@id"/></td>
      <td class="date-begin"><xsl:value-of select="date-begin"/></td>
      <td class="time-begin"><xsl:value-of select="time-begin"/></td>
      <td class="date-end"><xsl:value-of select="date-end"/></td>
      <td class="time-end"><xsl:value-of select="time-end"/></td>
      <td class="duration"><xsl:value-of select="duration"/></td>
      <td class="client-ip"><xsl:value-of select="client-ip"/></td>
      <td class="client-identification"><xsl:value-of select="client-identification"/></td>
      <td class="client-name"><xsl:value-of select="client-name"/></td>
      <td class="client-email"><xsl:value-of select="client-email"/></td>
      <td class="client-request text"><xsl:value-of select="client-request"/></td>
      <td class="client-request-type"><xsl:value-of select="client-request-type"/></td>
      <td class="agent-report text"><xsl:value-of select="agent-report"/></td>
      <td class="agents-responses">
        <xsl:for-each select="agents-responses/response">
          <span class="response {.}"><xsl:value-of select="."/></span>
          <xsl:if test="position() != last()">
            <xsl:text> </xsl:text>
          </xsl:if>
        </xsl:for-each>
      </td>
      <td class="agent-id"><xsl:value-of select="agent-id"/></td>
      <td class="agent-login"><xsl:value-of select="$agent/login"/></td>
      <td class="agent-first-name"><xsl:value-of select="$agent/first-name"/></td>
      <td class="agent-last-name"><xsl:value-of select="$agent/last-name"/></td>
      <td class="agent-email"><xsl:value-of select="$agent/email"/></td>
    </tr>
  </xsl:template>
</xsl:stylesheet>
