<?xml version="1.0" encoding="UTF-8"?>
<!-- Corvane Agent history export as comma-separated values: one header line with the column
     captions, then one line per assistance session. Every value is quoted; quotes inside a value
     are doubled. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="text" encoding="UTF-8"/>
  <xsl:key name="agent" match="/corvane-pro/agents/agent" use="@id"/>

  <xsl:template match="/">
    <xsl:apply-templates select="corvane-pro"/>
  </xsl:template>

  <xsl:template match="corvane-pro">
    <xsl:for-each select="cols/*">
      <xsl:if test="position() &gt; 1">
        <xsl:text>,</xsl:text>
      </xsl:if>
      <xsl:call-template name="value">
        <xsl:with-param name="text" select="string(.)"/>
      </xsl:call-template>
    </xsl:for-each>
    <xsl:text>&#10;</xsl:text>
    <xsl:apply-templates select="assistances/assistance"/>
  </xsl:template>

  <xsl:template match="assistance">
    <xsl:variable name="agent" select="key('agent', agent-id)"/>
    <!-- Identifiers, dates, durations and fixed words never hold quotes; the descriptions had
         theirs replaced when the document was built. Free texts go through "next". -->
    <xsl:text>"</xsl:text><xsl:value-of select="@id"/>
    <xsl:text>","</xsl:text><xsl:value-of select="date-begin"/>
    <xsl:text>","</xsl:text><xsl:value-of select="time-begin"/>
    <xsl:text>","</xsl:text><xsl:value-of select="date-end"/>
    <xsl:text>","</xsl:text><xsl:value-of select="time-end"/>
    <xsl:text>","</xsl:text><xsl:value-of select="duration"/>
    <xsl:text>"</xsl:text>
    <xsl:call-template name="next"><xsl:with-param name="text" select="string(client-ip)"/></xsl:call-template>
    <xsl:call-template name="next"><xsl:with-param name="text" select="string(client-identification)"/></xsl:call-template>
    <xsl:call-template name="next"><xsl:with-param name="text" select="string(client-name)"/></xsl:call-template>
    <xsl:call-template name="next"><xsl:with-param name="text" select="string(client-email)"/></xsl:call-template>
    <xsl:call-template name="next"><xsl:with-param name="text" select="string(client-request)"/></xsl:call-template>
    <xsl:text>,"</xsl:text><xsl:value-of select="client-request-type"/>
    <xsl:text>"</xsl:text>
    <xsl:call-template name="next"><xsl:with-param name="text" select="string(agent-report)"/></xsl:call-template>
    <xsl:text>,"</xsl:text>
    <xsl:for-each select="agents-responses/response">
      <xsl:if test="position() &gt; 1">
        <xsl:text> </xsl:text>
      </xsl:if>
      <xsl:value-of select="."/>
    </xsl:for-each>
    <xsl:text>","</xsl:text><xsl:value-of select="agent-id"/>
    <xsl:text>"</xsl:text>
    <xsl:call-template name="next"><xsl:with-param name="text" select="string($agent/login)"/></xsl:call-template>
    <xsl:call-template name="next"><xsl:with-param name="text" select="string($agent/first-name)"/></xsl:call-template>
    <xsl:call-template name="next"><xsl:with-param name="text" select="string($agent/last-name)"/></xsl:call-template>
    <xsl:call-template name="next"><xsl:with-param name="text" select="string($agent/email)"/></xsl:call-template>
    <xsl:text>&#10;</xsl:text>
  </xsl:template>

  <xsl:template name="next">
    <xsl:param name="text"/>
    <xsl:text>,</xsl:text>
    <xsl:call-template name="value">
      <xsl:with-param name="text" select="string($text)"/>
    </xsl:call-template>
  </xsl:template>

  <xsl:template name="value">
    <xsl:param name="text"/>
    <xsl:text>"</xsl:text>
    <xsl:choose>
      <xsl:when test="contains($text, '&quot;')">
        <xsl:call-template name="double-quotes">
          <xsl:with-param name="text" select="$text"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:value-of select="$text"/>
      </xsl:otherwise>
    </xsl:choose>
    <xsl:text>"</xsl:text>
  </xsl:template>

  <xsl:template name="double-quotes">
    <xsl:param name="text"/>
    <xsl:choose>
      <xsl:when test="contains($text, '&quot;')">
        <xsl:value-of select="substring-before($text, '&quot;')"/>
        <xsl:text>""</xsl:text>
        <xsl:call-template name="double-quotes">
          <xsl:with-param name="text" select="substring-after($text, '&quot;')"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:value-of select="$text"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>
</xsl:stylesheet>
